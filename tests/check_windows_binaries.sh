#!/usr/bin/env bash
# Checks the Windows binaries from their headers: Lintrow.dll is built for the
# machine ARCH names, exports exactly the ten undecorated names with ordinals
# 1 to 10 and imports only KERNEL32 and msvcrt; both import libraries map the
# names a host asks for (on 32-bit Windows the __stdcall names, _GetLine@8)
# to those exports, as the hosts linked against them show.
# Usage: check_windows_binaries.sh BIN_DIR win32|win64
set -euo pipefail
bin=$1
case $2 in
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  *) echo "unknown architecture $2"; exit 2 ;;
esac
fail() { echo "FAIL: $*"; exit 1; }

names="CloseFile CurrentRecord Fields GetField GetLine NextLine Pos PrepareFile SetDelim SkipToLine"
$objdump -f "$bin/Lintrow.dll" | grep -q "file format $format\$" || fail "Lintrow.dll is not $format"
headers=$($objdump -p "$bin/Lintrow.dll")
# Each name with its ordinal (the table's index plus the base of 1).
base=$(echo "$headers" | awk '/^Ordinal Base/ {print $3; exit}')
[ "$base" = 1 ] || fail "ordinal base is $base"
exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk -v base="$base" '/^\t\[/ {gsub(/[][]/, " "); print $1 + base ":" $2}' | tr '\n' ' ')
expected=$(i=0; for name in $names; do i=$((i + 1)); printf '%s ' "$i:$name"; done)
[ "$exports" = "$expected" ] || fail "exports are: $exports"
functions=$(echo "$headers" | grep -c 'Export RVA')
[ "$functions" = 10 ] || fail "$functions exported functions"
imports=$(echo "$headers" | awk '/DLL Name:/ {print $3}' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll msvcrt.dll " ] || fail "imports from: $imports"

for host in line_dump.exe msvc_host.exe; do
  [ -f "$bin/$host" ] || fail "$host was not linked"
  $objdump -f "$bin/$host" | grep -q "file format $format\$" || fail "$host is not $format"
  bound=$($objdump -p "$bin/$host" | sed -n '/DLL Name: Lintrow.dll/,/^$/p' | awk 'NF == 3 && $1 != "DLL" {print $3}' | sort | tr '\n' ' ')
  [ -n "$bound" ] || fail "$host imports nothing from Lintrow.dll"
  case "$bound" in *@*|*_*) fail "$host imports decorated names: $bound" ;; esac
  echo "$host imports from Lintrow.dll: $bound"
done
echo "Lintrow.dll ($format) exports: $(echo $exports); imports from: $imports"
