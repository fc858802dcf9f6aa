#!/usr/bin/env bash
# Builds the library and the example host show_table, then prints the bundled
# sample with it. Installs a compiler and CMake first when they are missing.
# Arguments, if any, go to show_table instead of the demo's own, as written:
# a relative FILE is taken from where the caller stands.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
if [ ${#missing[@]} -gt 0 ]; then
  "$root/scripts/apt-install.sh" "${missing[@]}" >&2
fi
cmake -S "$root" -B "$root/build/demo" -DCMAKE_BUILD_TYPE=Release -DLINTROW_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/demo" --target show_table -j 2 >/dev/null
show_table=$root/build/demo/show_table
if [ $# -gt 0 ]; then
  exec "$show_table" "$@"
fi
echo "$ show_table -n 8                 # the first lines of examples/sample/orders.csv"
"$show_table" -n 8
echo
echo "$ show_table --skip-to A10298 -f 1,3,5,8,9"
"$show_table" --skip-to A10298 -f 1,3,5,8,9
