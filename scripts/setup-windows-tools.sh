#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its Wine run need, when missing:
# the mingw-w64 i686 cross compiler, Wine (32-bit, run under qemu user-mode
# emulation on this kernel) and a project-owned Wine prefix.
# Safe to run again: every step is skipped when already done.
set -euo pipefail

# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"

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

# Creating the prefix takes many minutes under emulation, longer than Wine's
# own loader waits for it, so it is made once here and waited for: until
# wineboot and its setup steps have finished (their helpers may then hang,
# and are stopped). A marker records a complete prefix.
if [ ! -f "$WINEPREFIX/.lintrow-ready" ]; then
  echo "setup: creating the Wine prefix $WINEPREFIX (15 to 25 minutes under emulation)"
  wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 2700 wine wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 &
  started=$(date +%s)
  sleep 60
  while [ $(( $(date +%s) - started )) -lt 2700 ]; do
    if [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && ! pgrep -f 'wineboot|rundll32' >/dev/null; then
      break
    fi
    sleep 10
  done
  timeout 60 wineserver -k </dev/null >/dev/null 2>&1 || true
  wait || true
  if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    echo "setup: the Wine prefix was not created in time"
    exit 1
  fi
  touch "$WINEPREFIX/.lintrow-ready"
  echo "setup: Wine prefix ready after $(( $(date +%s) - started )) s"
fi
echo "setup: Windows tools ready (prefix $WINEPREFIX)"
