#!/usr/bin/env bash
# Follows the README's "Use from C" section literally, as a new user would:
# its lookup.c and its shell lines, run from a copy of the source tree (made
# of links) with a scratch home, so the install prefix, PKG_CONFIG_PATH and
# the rpath are the README's own. The program must print what its comment
# says.
#   check_readme_c.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

tree=$work/tree
mkdir -p "$tree" "$work/home"
for entry in CMakeLists.txt CMakePresets.json cmake include src examples README.md LICENSE; do
  ln -s "$source_dir/$entry" "$tree/$entry"
done
section=$(sed -n '/^## Use from C$/,/^## Use from C++$/p' "$source_dir/README.md")
echo "$section" | awk '/^```c$/ {inside = 1; next} /^```$/ {inside = 0} inside' > "$tree/lookup.c"
echo "$section" | awk '/^```sh$/ {inside = 1; next} /^```$/ {inside = 0} inside' > "$work/commands.sh"
[ -s "$tree/lookup.c" ] || fail "no C program in the README's Use from C section"
[ -s "$work/commands.sh" ] || fail "no shell lines in the README's Use from C section"
expected=$(sed -n 's|.*/\* \(customer: .*\) \*/.*|\1|p' "$tree/lookup.c")
[ -n "$expected" ] || fail "the README's program does not say what it prints"

if ! (cd "$tree" && env -u PKG_CONFIG_PATH -u LD_LIBRARY_PATH HOME="$work/home" bash -euo pipefail "$work/commands.sh") \
     > "$work/out" 2> "$work/err"; then
  cat "$work/commands.sh" "$work/err"
  fail "the README's lines fail"
fi
actual=$(tail -n 1 "$work/out")
[ "$actual" = "$expected" ] || fail "the program printed \"$actual\", the README says \"$expected\""
echo "README's Use from C, followed literally: $actual"
