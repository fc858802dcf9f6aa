#!/usr/bin/env bash
# Checks the Windows binaries from their headers: Lintrow.dll is built for the
# machine ARCH names (PE32+ and 0xAA64 for ARM64), exports exactly the ten undecorated names with ordinals
# 1 to 10 and imports only KERNEL32 and msvcrt; both import libraries map the
# names a host asks for (on 32-bit Windows the __stdcall names, _GetLine@8)
# to those exports, as the hosts linked against them show.
# The ARM64 DLL is read with LLVM's tools (binutils here has no ARM64 PE),
# and its host, dump_calls.exe, binds at run time.
# Usage: check_windows_binaries.sh BIN_DIR win32|win64|winarm64
set -euo pipefail
bin=$1
hosts="line_dump.exe msvc_host.exe"
case $2 in
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  winarm64) objdump=llvm-objdump format=coff-arm64 hosts="" ;;
  *) echo "unknown architecture $2"; exit 2 ;;
esac
fail() { echo "FAIL: $*"; exit 1; }

names="CloseFile CurrentRecord Fields GetField GetLine NextLine Pos PrepareFile SetDelim SkipToLine"
$objdump -f "$bin/Lintrow.dll" | grep -q "file format $format\$" || fail "Lintrow.dll is not $format"
headers=$($objdump -p "$bin/Lintrow.dll")
expected=$(i=0; for name in $names; do i=$((i + 1)); printf '%s ' "$i:$name"; done)
if [ "$2" = winarm64 ]; then
  llvm-readobj --file-headers "$bin/Lintrow.dll" | grep -q 'Machine: IMAGE_FILE_MACHINE_ARM64 (0xAA64)' || fail "Lintrow.dll is not for ARM64"
  echo "$headers" | grep -q 'Magic *020b' || fail "Lintrow.dll is not PE32+"
  # Each name with its ordinal. lld leaves ordinal 0 unused (its base is 0);
  # a slot without a name or an address would be one more export.
  exports=$(llvm-readobj --coff-exports "$bin/Lintrow.dll" |
    awk '/Ordinal:/ {ordinal = $2} /Name:/ {if (NF == 2) print ordinal ":" $2; else if (ordinal != 0) print ordinal ":"}' | tr '\n' ' ')
  functions=$(echo "$headers" | sed -n '/^Export Table/,/^$/p' | awk '$1 ~ /^[0-9]+$/ && $2 != "0" {n++} END {print n}')
else
  # Each name with its ordinal (the table's index plus the base of 1).
  base=$(echo "$headers" | awk '/^Ordinal Base/ {print $3; exit}')
  [ "$base" = 1 ] || fail "ordinal base is $base"
  exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk -v base="$base" '/^\t\[/ {gsub(/[][]/, " "); print $1 + base ":" $2}' | tr '\n' ' ')
  functions=$(echo "$headers" | grep -c 'Export RVA')
fi
[ "$exports" = "$expected" ] || fail "exports are: $exports"
[ "$functions" = 10 ] || fail "$functions exported functions"
imports=$(echo "$headers" | awk '/DLL Name:/ {print $3}' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll msvcrt.dll " ] || fail "imports from: $imports"
if [ "$2" = winarm64 ]; then
  for program in Lintrow_portable.dll dump_calls.exe; do
    $objdump -f "$bin/$program" | grep -q "file format $format\$" || fail "$program is not $format"
  done
fi

for host in $hosts; do
  [ -f "$bin/$host" ] || fail "$host was not linked"
  $objdump -f "$bin/$host" | grep -q "file format $format\$" || fail "$host is not $format"
  bound=$($objdump -p "$bin/$host" | sed -n '/DLL Name: Lintrow.dll/,/^$/p' | awk 'NF == 3 && $1 != "DLL" {print $3}' | sort | tr '\n' ' ')
  [ -n "$bound" ] || fail "$host imports nothing from Lintrow.dll"
  case "$bound" in *@*|*_*) fail "$host imports decorated names: $bound" ;; esac
  echo "$host imports from Lintrow.dll: $bound"
done
echo "Lintrow.dll ($format) exports: $(echo $exports); imports from: $imports"
