#!/usr/bin/env bash
# Runs the example hosts on the bundled sample and compares what they print
# with tests/expected/; checks their errors and exit statuses.
#   check_example_hosts.sh SOURCE_DIR SHOW_TABLE LIBRARY
# With LINTROW_UPDATE_EXPECTED=1 the expected files are rewritten instead.
set -euo pipefail
source_dir=$1
show_table=$2
export LINTROW_LIBRARY=$3
expected=$source_dir/tests/expected
sample=$source_dir/examples/sample/orders.csv
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

refuse 1 "cannot open" "$show_table" "$work/missing.csv"
refuse 1 "cannot open" "$show_table" "$work"
refuse 1 "no line begins with" "$show_table" --skip-to nothing "$sample"
refuse 1 "cannot load" "$show_table" --library "$work/missing.so" "$sample"
refuse 2 "usage" "$show_table" -f 0 "$sample"
refuse 2 "usage" "$show_table" -n "$sample"
refuse 2 "usage" "$show_table" --no-such-option x "$sample"

if command -v python3 >/dev/null; then
  expect order_status.txt python3 "$source_dir/examples/python/order_status.py"
  refuse 1 "cannot open" python3 "$source_dir/examples/python/order_status.py" "$work/missing.csv"
fi

[ "$failures" = 0 ] || { echo "$failures example host check(s) failed"; exit 1; }
echo "example hosts: all checks passed"
