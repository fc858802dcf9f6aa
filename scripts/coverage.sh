#!/usr/bin/env bash
# Line and branch coverage of src/ by the native tests and the fuzz corpus,
# with clang's source-based coverage. Prints llvm-cov's summary for src/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
LLVM_PROFILE_FILE="$PWD/$build/profiles/%p-%m.profraw" ctest --preset coverage >/dev/null
llvm-profdata merge -sparse -o "$build/lintrow.profdata" "$build"/profiles/*.profraw
objects=()
for binary in "$build/libLintrow.so" "$build"/tests/lintrow_unit_tests "$build"/tests/lintrow_static_behaviour_tests \
              "$build"/tests/lintrow_behaviour_tests "$build"/tests/lintrow_fuzz_replay; do
  objects+=(-object "$binary")
done
llvm-cov report "${objects[@]:1}" -instr-profile "$build/lintrow.profdata" "$PWD/src" | sed 's|^.*/src/|src/|'
