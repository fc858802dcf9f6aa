#!/usr/bin/env bash
# Records the ABI of the shared object (the `debian` preset's build, which
# carries the debug information abidw reads) as abi/libLintrow.so.1.abi, the
# baseline the tests compare every build with. Only for a new major version,
# whose soname changes with it: a change within a major version breaks hosts
# built against the old one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-package-tools.sh
cmake --preset debian >/dev/null
cmake --build --preset debian >/dev/null
abidw --headers-dir include --drop-private-types --no-show-locs --no-corpus-path --no-comp-dir-path \
  --out-file abi/libLintrow.so.1.abi build/debian/libLintrow.so.1.0.0
echo "recorded abi/libLintrow.so.1.abi"
