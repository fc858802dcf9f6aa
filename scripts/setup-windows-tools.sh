#!/usr/bin/env bash
# Installs what the Windows builds and their Wine runs need, when missing:
# the mingw-w64 cross compilers, LLVM's dlltool and lld-link, Wine, and the
# project-owned Wine prefix of the bitness asked for.
#   setup-windows-tools.sh [win32|win64|compilers]     (default win32)
# win32 is 32-bit Wine, run under qemu user-mode emulation on this kernel;
# win64 is 64-bit Wine, which runs natively; compilers installs only what
# builds the DLLs, without Wine. Safe to run again: every step is skipped
# when already done.
set -euo pipefail

export LINTROW_WINE_ARCH=${1:-win32}
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

need_packages=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need_packages+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need_packages+=(g++-mingw-w64-x86-64-posix)
command -v llvm-dlltool >/dev/null || need_packages+=(llvm)
command -v lld-link >/dev/null || need_packages+=(lld)
if [ "$LINTROW_WINE_ARCH" = compilers ]; then
  if [ ${#need_packages[@]} -gt 0 ]; then "$(dirname "$0")/apt-install.sh" "${need_packages[@]}"; fi
  echo "setup: Windows cross compilers ready"
  exit 0
fi
command -v wine >/dev/null || need_packages+=(wine)
[ -x /usr/lib/wine/wine64 ] || need_packages+=(wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need_packages+=(wine32:i386)
command -v qemu-i386-static >/dev/null || need_packages+=(qemu-user-static)
if [ ${#need_packages[@]} -gt 0 ]; then
  echo "setup: installing ${need_packages[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  "$(dirname "$0")/apt-install.sh" "${need_packages[@]}"
fi

if [ "$LINTROW_WINE_ARCH" = win64 ]; then
  # 64-bit Wine runs natively: the prefix takes a few minutes, and the
  # server's own wait (-w) says when its boot has finished.
  if [ ! -f "$WINEPREFIX/.lintrow-ready" ]; then
    echo "setup: creating the 64-bit Wine prefix $WINEPREFIX (about 4 minutes)"
    started=$(date +%s)
    timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    timeout 900 "$wine_program" wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 || true
    timeout 900 "$wineserver_program" -w </dev/null >/dev/null 2>&1 || true
    timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
      echo "setup: the 64-bit Wine prefix was not created"
      tail -n 20 "$WINEPREFIX.boot.log"
      exit 1
    fi
    touch "$WINEPREFIX/.lintrow-ready"
    echo "setup: 64-bit Wine prefix ready after $(( $(date +%s) - started )) s"
  fi
  echo "setup: 64-bit Windows tools ready (prefix $WINEPREFIX)"
  exit 0
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
