#!/usr/bin/env bash
# Installs the Linux build and test tools when missing: compilers, CMake,
# GoogleTest, clang's sanitizer and fuzzer runtimes, llvm-cov, valgrind, and
# pkg-config, Python with Hypothesis, Mono and Free Pascal for the install
# and example-host tests.
set -euo pipefail
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v clang++ >/dev/null || missing+=(clang)
command -v llvm-profdata >/dev/null || missing+=(llvm)
command -v valgrind >/dev/null || missing+=(valgrind)
command -v pkg-config >/dev/null || missing+=(pkg-config)
command -v python3 >/dev/null || missing+=(python3)
/usr/bin/python3 -c 'import hypothesis' 2>/dev/null || missing+=(python3-hypothesis)
command -v mcs >/dev/null || missing+=(mono-mcs)
command -v mono >/dev/null || missing+=(mono-runtime)
command -v fpc >/dev/null || missing+=(fpc)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "install: ${missing[*]}"
  "$(dirname "$0")/apt-install.sh" "${missing[@]}"
fi
