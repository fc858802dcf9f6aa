#!/usr/bin/env bash
# Instructions per input byte of the NextLine loop over a 32 MiB slice of the
# headline CSV, counted by callgrind (instruction counts do not vary with the
# load on the machine): inside NextLine alone, and inside NextLine and Fields
# (the loop asks each line's field count, which is counted on demand).
# Usage: bench/instructions_per_byte.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
bench=$build/lintrow_bench
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset native)"; exit 1; }
data=build/bench-data
mkdir -p "$data"
# The benchmark writes its files on demand; --scale 8 gives a 32 MiB headline file.
headline="$data/csv-crlf-$((256 * 1024 * 1024 / 8)).txt"
[ -f "$headline" ] || "$bench" --dir "$data" --scale 8 >/dev/null
bytes=$((32 * 1024 * 1024))
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
count() {
  local label=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" "$@" \
    "$bench" --nextline-only "$headline" "$bytes" >"$out/stdout" 2>"$out/stderr"
  consumed=$(sed -n 's/^consumed \([0-9]*\) bytes$/\1/p' "$out/stdout")
  instructions=$(sed -n 's/^summary: \([0-9]*\)$/\1/p' "$out/callgrind.out")
  awk -v what="$label" -v i="$instructions" -v b="$consumed" \
    'BEGIN { printf "%s: %d instructions over %d bytes = %.2f instructions per byte\n", what, i, b, i / b }'
}
count "NextLine" --toggle-collect=NextLine
count "NextLine and Fields" --toggle-collect=NextLine --toggle-collect=Fields
