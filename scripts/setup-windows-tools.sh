#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its Wine run need, when missing:
# the mingw-w64 i686 cross compiler, Wine (32-bit, run under qemu user-mode
# emulation on this kernel) and a project-owned Wine prefix.
# Safe to run again: every step is skipped when already done.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win32

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

need_packages=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need_packages+=(g++-mingw-w64-i686-posix)
command -v wine >/dev/null || need_packages+=(wine wine64 wine32:i386)
dpkg -s wine32:i386 >/dev/null 2>&1 || need_packages+=(wine32:i386)
command -v qemu-i386-static >/dev/null || need_packages+=(qemu-user-static)
command -v llvm-dlltool >/dev/null || need_packages+=(llvm)
command -v lld-link >/dev/null || need_packages+=(lld)
if [ ${#need_packages[@]} -gt 0 ]; then
  echo "setup: installing ${need_packages[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need_packages[@]}"
fi

# This kernel cannot run 32-bit Linux programs, so 32-bit Wine runs under qemu.
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
fi

# Creating the prefix takes minutes under emulation, and its helpers may hang
# after the work is done: bound it, then stop them.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix $WINEPREFIX (takes minutes under emulation)"
  mkdir -p "$WINEPREFIX"
  timeout 900 wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 || true
  for _ in $(seq 1 60); do [ -f "$WINEPREFIX/system.reg" ] && break; sleep 5; done
  timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -f "$WINEPREFIX/system.reg" ] || { echo "setup: the Wine prefix was not created"; exit 1; }
fi
echo "setup: Windows tools ready (prefix $WINEPREFIX)"
