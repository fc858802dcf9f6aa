#!/usr/bin/env bash
# Builds the Windows ZIP with cpack and checks that it holds what a host
# needs: the DLL as built, the header, the .def, both import libraries, the
# README and the license.
#   check_windows_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source_dir=$2
cd "$build"
cpack -G ZIP >/dev/null
package=$(ls Lintrow-*-win32.zip)
listing=$(python3 -m zipfile -l "$package" | awk 'NR > 1 {print $1}')
for file in bin/Lintrow.dll include/Lintrow.h lib/Lintrow.def lib/libLintrow.dll.a lib/Lintrow.lib README.md LICENSE; do
  echo "$listing" | grep -qx "Lintrow-[0-9.]*-win32/$file" || { echo "FAIL: $package lacks $file"; exit 1; }
done
if echo "$listing" | grep -Eq '\.exe$'; then echo "FAIL: $package holds programs"; exit 1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -m zipfile -e "$package" "$work"
cmp "$work"/Lintrow-*/bin/Lintrow.dll bin/Lintrow.dll
cmp "$work"/Lintrow-*/include/Lintrow.h "$source_dir/include/Lintrow.h"
echo "$package: $(echo "$listing" | grep -vc '/$') files, all present"
