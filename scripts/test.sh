#!/usr/bin/env bash
# The whole test suite, in one command: the native build and tests, the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz
# corpus and a bounded fuzzing run, valgrind memcheck, line coverage of src/,
# the packages (ABI check, Debian packages, Python wheel), the library's
# suites cross-built for ARM64 and s390x and run under qemu,
# the 64-bit and 32-bit Windows DLLs with their suites under Wine, in one
# prefix made by 64-bit Wine (the native 64-bit suite first, the emulated
# 32-bit one last), and the ARM64 DLL with its host under arm64 Wine. Stops at the first failure. Installs what is missing on a
# fresh machine.
#
# LINTROW_FUZZ_SECONDS (default 120) bounds the fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
step() { printf '\n=== %s (at %d s)\n' "$*" $(( $(date +%s) - started )); }
# Configures, builds and tests one preset.
preset() { cmake --preset "$1" && cmake --build --preset "$1" && ctest --preset "$1"; }

step "tools"
scripts/install-native-tools.sh

step "native build and tests"
preset native

step "sanitizers: AddressSanitizer and UndefinedBehaviorSanitizer"
preset sanitize

step "fuzzing: the differential fuzzer for ${LINTROW_FUZZ_SECONDS:-120} s"
mkdir -p build/fuzz/corpus build/fuzz/artifacts
if ! timeout $(( ${LINTROW_FUZZ_SECONDS:-120} + 300 )) build/sanitize/tests/lintrow_fuzzer -max_total_time="${LINTROW_FUZZ_SECONDS:-120}" -max_len=4096 \
     -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus tests/fuzz/corpus \
     > build/fuzz/log.txt 2>&1; then
  tail -n 40 build/fuzz/log.txt
  for input in build/fuzz/artifacts/*; do
    echo "failing input $input (add it to tests/fuzz/corpus):"
    base64 -w0 "$input"; echo
  done
  exit 1
fi
grep -E '^stat::number_of_executed_units|^Done' build/fuzz/log.txt

step "valgrind memcheck"
# Every run is bounded, so a hang fails here with a message instead of
# running into CI's own time limit.
memcheck() { timeout 900 valgrind --error-exitcode=1 --quiet "$@"; }
memcheck build/native/tests/lintrow_unit_tests --gtest_brief=1 --gtest_filter='-*4GiB*:*TenMegabyte*'
memcheck build/native/tests/lintrow_static_behaviour_tests --gtest_brief=1
memcheck build/native/tests/lintrow_fuzz_replay tests/fuzz/corpus

step "coverage of src/"
scripts/coverage.sh | tail -n 15

step "packages: the ABI against its baseline, the Debian packages installed and removed, the Python wheel"
tests/check_packages.sh

step "Linux on ARM64 and on big-endian s390x, under qemu: tools"
scripts/setup-cross-tools.sh aarch64-linux-gnu s390x-linux-gnu

step "ARM64 Linux under qemu: the library suites on the NEON and the portable path"
preset aarch64

step "ARM64 Linux packages: arm64 .debs installed beside the amd64 ones, an arm64 consumer under qemu, the aarch64 wheel"
tests/check_packages_arm64.sh

step "s390x Linux (big-endian) under qemu: the library suites on the portable path"
preset s390x

step "Windows DLLs: tools and the Wine prefix, then the 32-bit and the 64-bit build"
# Each Windows suite checks that the other bitness's DLL is refused, so both
# are built before either runs.
scripts/setup-windows-tools.sh win64
cmake --preset win32
cmake --build --preset win32
cmake --preset win64
cmake --build --preset win64

step "64-bit Windows DLL: binary and package checks, the suite and the demo host under 64-bit Wine"
ctest --preset win64

step "Windows on ARM64 DLL: tools, build, binary and package checks, every call under arm64 Wine (emulated)"
scripts/setup-windows-tools.sh winarm64
preset winarm64

step "32-bit Windows DLL: binary and package checks, the suite and the demo host under Wine's WoW64 (emulated)"
ctest --preset win32

step "all tests passed in $(( $(date +%s) - started )) s"
