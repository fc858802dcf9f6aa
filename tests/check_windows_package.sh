#!/usr/bin/env bash
# Builds the Windows ZIP with cpack and checks that it holds what a host
# needs: the DLL as built, for the machine its name says (so the 32-bit and
# 64-bit packages can never be swapped), the header, the .def, both import
# libraries, the README and the license. Then the same for the Python wheel
# of that bitness: its tag, the wrapper and the DLL.
#   check_windows_package.sh BUILD_DIR SOURCE_DIR win32|win64|winarm64
set -euo pipefail
build=$1
source_dir=$2
arch=$3
case $arch in
  win32) format=i386 wheel_platform=win32 ;;
  win64) format=x86-64 wheel_platform=win_amd64 ;;
  winarm64) format=arm64 wheel_platform=win_arm64 ;;
  *) echo "unknown architecture $arch"; exit 2 ;;
esac
machine=$arch
cd "$build"
rm -f Lintrow-*-"$arch".zip
cpack -G ZIP >/dev/null
package=$(ls Lintrow-*-"$arch".zip)
listing=$(python3 -m zipfile -l "$package" | awk 'NR > 1 {print $1}')
for file in bin/Lintrow.dll include/Lintrow.h lib/Lintrow.def lib/libLintrow.dll.a lib/Lintrow.lib README.md LICENSE; do
  echo "$listing" | grep -qx "Lintrow-[0-9.]*-$arch/$file" || { echo "FAIL: $package lacks $file"; exit 1; }
done
if echo "$listing" | grep -Eq '\.exe$'; then echo "FAIL: $package holds programs"; exit 1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The machine field of a DLL's PE header, read by the Python wrapper's own check.
dll_machine() {
  python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import lintrow
print(lintrow._dll_machine(sys.argv[2]) or "other")' "$source_dir/examples/python" "$1"
}
python3 -m zipfile -e "$package" "$work"
cmp "$work"/Lintrow-*/bin/Lintrow.dll bin/Lintrow.dll
cmp "$work"/Lintrow-*/include/Lintrow.h "$source_dir/include/Lintrow.h"
packaged_machine=$(dll_machine "$work"/Lintrow-*/bin/Lintrow.dll)
[ "$packaged_machine" = "$machine" ] || { echo "FAIL: $package holds a DLL for $packaged_machine, not $machine"; exit 1; }
# Every member of both import libraries is built for the same machine.
for import_library in lib/libLintrow.dll.a lib/Lintrow.lib; do
  if [ "$arch" = winarm64 ]; then
    # binutils here reads no ARM64 COFF; the short import members say no machine.
    formats=$(llvm-readobj "$work"/Lintrow-*/"$import_library" | sed -n 's/^Format: //p' | sort -u | tr '\n' ' ')
    expected_formats="COFF-ARM64 COFF-import-file "
  else
    formats=$(x86_64-w64-mingw32-objdump -f "$work"/Lintrow-*/"$import_library" | sed -n 's/.*file format //p' | sort -u | tr '\n' ' ')
    expected_formats="pe-$format pei-$format "
  fi
  case "$formats" in
    "pe-$format " | "$expected_formats") ;;
    *) echo "FAIL: $import_library in $package holds objects for: $formats"; exit 1 ;;
  esac
done
echo "$package: $(echo "$listing" | grep -vc '/$') files, all present, DLL for $machine"

wheel=$("$source_dir/scripts/build-wheel.sh" bin/Lintrow.dll "$wheel_platform" "$work/wheel")
case "$(basename "$wheel")" in
  lintrow-*-py3-none-"$wheel_platform".whl) ;;
  *) echo "FAIL: the wheel is named $(basename "$wheel")"; exit 1 ;;
esac
python3 -m zipfile -e "$wheel" "$work/wheel/contents"
grep -qx "Tag: py3-none-$wheel_platform" "$work"/wheel/contents/lintrow-*.dist-info/WHEEL &&
  grep -qx "Root-Is-Purelib: false" "$work"/wheel/contents/lintrow-*.dist-info/WHEEL ||
  { echo "FAIL: the wheel's WHEEL file:"; cat "$work"/wheel/contents/lintrow-*.dist-info/WHEEL; exit 1; }
cmp "$work/wheel/contents/lintrow/Lintrow.dll" bin/Lintrow.dll
cmp "$work/wheel/contents/lintrow/__init__.py" "$source_dir/examples/python/lintrow/__init__.py"
wheel_machine=$(dll_machine "$work/wheel/contents/lintrow/Lintrow.dll")
[ "$wheel_machine" = "$machine" ] || { echo "FAIL: $(basename "$wheel") holds a DLL for $wheel_machine"; exit 1; }
echo "$(basename "$wheel"): tagged $wheel_platform, holds the wrapper and the DLL for $machine"
