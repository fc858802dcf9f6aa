#!/usr/bin/env bash
# Instructions per input byte of the NextLine loop (NextLine, Fields, Pos per
# line) over a 4 MiB slice of the headline CSV, on each scan path of a cross
# build, counted by qemu user-mode emulation: speed cannot be measured under
# emulation, instructions can. The program's own start (a run over 0 bytes)
# is subtracted.
# Usage: bench/qemu_instructions_per_byte.sh [PRESET]     (default aarch64)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-aarch64}
bench=build/$preset/lintrow_bench
[ -x "$bench" ] || { echo "build $bench first (cmake --preset $preset && cmake --build --preset $preset)"; exit 1; }
triple=$(sed -n 's/^set(LINTROW_CROSS_TRIPLE \(.*\))$/\1/p' "cmake/$preset-linux-gnu.cmake")
headline=$(build/native/lintrow_bench --headline-file --scale 8)
bytes=$((4 * 1024 * 1024))
log=$(mktemp -u)
mkfifo "$log"
trap 'rm -f "$log"' EXIT
# The log goes through a FIFO: over a megabyte of it per 4 KiB of input.
count() {
  bench/qemu_instructions.py "$log" &
  "qemu-${preset}-static" -L "/usr/$triple" -d in_asm,exec,nochain -D "$log" \
    "$bench" --nextline-only "$headline" "$1" "$2" >/dev/null
  wait $!
}
for path in $(grep -o '{ScanPath::[A-Za-z0-9]*, "[a-z0-9]*"}' src/reader/scanner.h | sed 's/.*"\(.*\)"}/\1/'); do
  "qemu-${preset}-static" -L "/usr/$triple" "$bench" --nextline-only "$headline" 0 "$path" >/dev/null 2>&1 || continue
  start=$(count 0 "$path")
  loop=$(count "$bytes" "$path")
  awk -v path="$path" -v i="$((loop - start))" -v b="$bytes" \
    'BEGIN { printf "%-7s %10d instructions over %d bytes = %.2f instructions per byte\n", path, i, b, i / b }'
done
