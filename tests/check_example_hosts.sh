#!/usr/bin/env bash
# Runs the example hosts on the bundled samples and compares what they print
# with tests/expected/; checks their errors and exit statuses. The second
# sample has lines of exactly 1,024 and 2,048 characters, which no host may
# take for the empty line that ends the orders; in the third, UTF-8, one
# line's customer and city each hold a character cut between two pieces,
# which every host (C, C++, Python, C#, Pascal) must print whole.
#   check_example_hosts.sh SOURCE_DIR SHOW_TABLE LIBRARY LINE_DUMP
# With LINTROW_UPDATE_EXPECTED=1 the expected files are rewritten instead.
set -euo pipefail
source_dir=$1
show_table=$2
export LINTROW_LIBRARY=$3
line_dump=$4
expected=$source_dir/tests/expected
sample=$source_dir/examples/sample/orders.csv
long_lines=$source_dir/examples/sample/orders_long_lines.csv
utf8=$source_dir/examples/sample/orders_utf8.csv
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect NAME COMMAND...: the command succeeds and prints tests/expected/NAME.
expect() {
  local name=$1
  shift
  if ! "$@" > "$work/$name" 2> "$work/$name.err"; then
    echo "FAILED (exit status): $*"; cat "$work/$name.err"; failures=$((failures + 1)); return
  fi
  if [ "${LINTROW_UPDATE_EXPECTED:-0}" = 1 ]; then cp "$work/$name" "$expected/$name"; return; fi
  diff -u "$expected/$name" "$work/$name" || { echo "FAILED (output): $*"; failures=$((failures + 1)); }
}

# refuse STATUS MESSAGE COMMAND...: exits with STATUS and says MESSAGE on stderr.
refuse() {
  local status=$1 message=$2 actual=0
  shift 2
  "$@" > "$work/out" 2> "$work/err" || actual=$?
  if [ "$actual" != "$status" ] || ! grep -q -- "$message" "$work/err" || [ -s "$work/out" ]; then
    echo "FAILED (want status $status and \"$message\", got $actual): $*"; cat "$work/err"
    failures=$((failures + 1))
  fi
}

expect show_table_default.txt "$show_table" -n 4
expect show_table_columns.txt "$show_table" --skip-to order_id -f 1,3,5-6,8 -n 6 "$sample"
expect show_table_long_line.txt "$show_table" --skip-to A10150 -n 3 -w 30 "$sample"
expect show_table_end.txt "$show_table" --skip-to A10299 -f 1,2,8 "$sample"
printf 'name\tqty\r\nbolt\t12\r\n\t7\r\n' > "$work/tabs.tsv"
expect show_table_tabs.txt "$show_table" -d "$(printf '\t')" -w 0 "$work/tabs.tsv"
expect show_table_long_lines.txt "$show_table" -f 1,3,8,9 -w 12 "$long_lines"
expect show_table_long_lines_skip.txt "$show_table" --skip-to B20010 -f 1,8 "$long_lines"
expect show_table_utf8.txt "$show_table" -f 1,3,4 -w 0 "$utf8"
"$show_table" -h > "$work/help" 2> "$work/help.err" || { echo "FAILED: show_table -h exits $?"; failures=$((failures + 1)); }
grep -q '^usage: show_table' "$work/help" && [ ! -s "$work/help.err" ] ||
  { echo "FAILED: show_table -h does not print its usage on stdout alone"; failures=$((failures + 1)); }
"$line_dump" "$long_lines" > "$work/line_dump.out"
[ "$(tail -n 1 "$work/line_dump.out")" = "15 lines, $(wc -c < "$long_lines") bytes" ] ||
  { echo "FAILED: line_dump counts: $(tail -n 1 "$work/line_dump.out")"; failures=$((failures + 1)); }

refuse 1 "cannot open" "$show_table" "$work/missing.csv"
refuse 1 "cannot open" "$show_table" "$work"
refuse 1 "no line begins with" "$show_table" --skip-to nothing "$sample"
refuse 1 "cannot load" "$show_table" --library "$work/missing.so" "$sample"
refuse 2 "-f 0: not a list of field numbers" "$show_table" -f 0 "$sample"
refuse 2 "-n -1: not a number of lines" "$show_table" -n -1 "$sample"
refuse 2 "-f: needs a value" "$show_table" -f
refuse 2 "--no-such-option: unknown option" "$show_table" --no-such-option x "$sample"
refuse 1 "no line shown has field 99" "$show_table" -f 1,99 "$sample"

if command -v python3 >/dev/null; then
  expect order_status.txt python3 "$source_dir/examples/python/order_status.py"
  expect order_status_long_lines.txt python3 "$source_dir/examples/python/order_status.py" "$long_lines"
  expect order_status_utf8.txt python3 "$source_dir/examples/python/order_status.py" "$utf8"
  refuse 1 "No such file or directory: .*missing.csv" python3 "$source_dir/examples/python/order_status.py" "$work/missing.csv"
fi

# C# under Mono and Pascal built by Free Pascal, bound to the shared object by name.
export LD_LIBRARY_PATH=$(dirname "$LINTROW_LIBRARY")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
mcs -nologo -warnaserror -out:"$work/OrderStatus.exe" "$source_dir/examples/dotnet/OrderStatus.cs"
expect order_status.txt mono "$work/OrderStatus.exe" "$sample"
expect order_status_long_lines.txt mono "$work/OrderStatus.exe" "$long_lines"
expect order_status_utf8.txt mono "$work/OrderStatus.exe" "$utf8"
fpc -Sew -vew -Fl"$(dirname "$LINTROW_LIBRARY")" -FE"$work" "$source_dir/examples/pascal/revenue_by_customer.pas" > "$work/fpc.log" ||
  { cat "$work/fpc.log"; exit 1; }
expect revenue_by_customer.txt "$work/revenue_by_customer" "$sample"
expect revenue_by_customer_long_lines.txt "$work/revenue_by_customer" "$long_lines"
expect revenue_by_customer_utf8.txt "$work/revenue_by_customer" "$utf8"
refuse 1 "cannot open" "$work/revenue_by_customer" "$work/missing.csv"
# The C++ host, linked against the library built here (the installed-package
# check builds it against an installed copy).
c++ -std=c++17 -Wall -Werror -I"$source_dir/include" -o "$work/revenue_cpp" \
  "$source_dir/examples/cpp_host/revenue_by_customer.cpp" "$LINTROW_LIBRARY"
expect revenue_by_customer_utf8.txt "$work/revenue_cpp" "$utf8"
expect revenue_by_customer_long_lines.txt "$work/revenue_cpp" "$long_lines"

[ "$failures" = 0 ] || { echo "$failures example host check(s) failed"; exit 1; }
echo "example hosts: all checks passed"
