#!/usr/bin/env bash
# Installs what the Windows builds and their Wine runs need, when missing:
# the mingw-w64 cross compilers, clang, LLVM's dlltool and lld, Wine (64-bit,
# and 32-bit run under qemu user-mode emulation), and the project-owned Wine
# prefix in which both x86 DLLs are tested; for winarm64, arm64 Wine run
# under qemu and its own prefix.
#   setup-windows-tools.sh [win32|win64|winarm64|compilers]     (default win32)
# win32 and win64 prepare the same; compilers installs only what builds the
# DLLs, without Wine. Safe to run again: every step is skipped when already
# done.
set -euo pipefail

export LINTROW_WINE_ARCH=${1:-win32}
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Registers qemu user-mode emulation with binfmt_misc for one ELF machine,
# so that its programs start as if they were native.
#   register_qemu NAME ENTRY
register_qemu() {
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ ! -e "/proc/sys/fs/binfmt_misc/$1" ]; then
    printf '%s' "$2" | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
}

# Makes $WINEPREFIX when it lacks the marker of a complete one or a
# kernel32.dll in one of the system directories named, waiting (bounded)
# for the server to say the boot has finished.
#   make_prefix DESCRIPTION SECONDS SYSTEM_DIRECTORY...
make_prefix() {
  local description=$1 limit=$2 started directory complete=yes
  shift 2
  for directory in "$@"; do
    [ -f "$WINEPREFIX/drive_c/windows/$directory/kernel32.dll" ] || complete=no
  done
  if [ -f "$WINEPREFIX/.lintrow-ready" ] && [ "$complete" = yes ]; then return 0; fi
  echo "setup: creating the $description Wine prefix $WINEPREFIX"
  started=$(date +%s)
  timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout "$limit" "$wine_program" wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 || true
  timeout "$limit" "$wineserver_program" -w </dev/null >/dev/null 2>&1 || true
  timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1 || true
  for directory in "$@"; do
    if [ ! -f "$WINEPREFIX/drive_c/windows/$directory/kernel32.dll" ]; then
      echo "setup: the $description Wine prefix was not created: no $directory/kernel32.dll"
      tail -n 20 "$WINEPREFIX.boot.log"
      exit 1
    fi
  done
  touch "$WINEPREFIX/.lintrow-ready"
  echo "setup: $description Wine prefix ready after $(( $(date +%s) - started )) s"
}

need_packages=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need_packages+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need_packages+=(g++-mingw-w64-x86-64-posix)
command -v llvm-dlltool >/dev/null || need_packages+=(llvm)
command -v lld-link >/dev/null || need_packages+=(lld)
command -v clang >/dev/null || need_packages+=(clang)
if [ "$LINTROW_WINE_ARCH" = compilers ]; then
  if [ ${#need_packages[@]} -gt 0 ]; then "$(dirname "$0")/apt-install.sh" "${need_packages[@]}"; fi
  echo "setup: Windows cross compilers ready"
  exit 0
fi

if [ "$LINTROW_WINE_ARCH" = winarm64 ]; then
  # Debian's arm64 Wine beside the amd64 and i386 ones: the libraries from
  # libwine:arm64; its loader and server from wine64:arm64, which is only
  # unpacked (installed, it would remove the amd64 wine64).
  command -v qemu-aarch64-static >/dev/null || need_packages+=(qemu-user-static)
  dpkg -s libwine:arm64 >/dev/null 2>&1 || need_packages+=(libwine:arm64)
  if [ ${#need_packages[@]} -gt 0 ]; then
    echo "setup: installing ${need_packages[*]}"
    dpkg --print-foreign-architectures | grep -qx arm64 || as_root dpkg --add-architecture arm64
    "$(dirname "$0")/apt-install.sh" "${need_packages[@]}"
  fi
  wine_dir=$(dirname "$(dirname "$(dirname "$wine_program")")")
  if [ ! -x "$wine_program" ] || [ ! -x "$wineserver_program" ]; then
    download=$(mktemp -d)
    chmod 755 "$download"  # apt downloads as its own user
    (cd "$download" && apt-get download "wine64:arm64=$(dpkg-query -W -f='${Version}' libwine:arm64)")
    rm -rf "$wine_dir"
    mkdir -p "$wine_dir/lib/wine" "$wine_dir/share" "$download/unpacked"
    dpkg-deb -x "$download"/wine64_*_arm64.deb "$download/unpacked"
    cp "$download/unpacked/usr/lib/wine/wine64" "$download/unpacked/usr/lib/wine/wineserver64" "$wine_dir/lib/wine/"
    rm -rf "$download"
    # The loader finds its libraries and data relative to itself.
    ln -s /usr/lib/aarch64-linux-gnu "$wine_dir/lib/aarch64-linux-gnu"
    ln -s /usr/share/wine "$wine_dir/share/wine"
  fi
  register_qemu qemu-aarch64 ':qemu-aarch64:M::\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-aarch64-static:F'
  make_prefix arm64 600 system32  # about 20 seconds
  echo "setup: Windows on ARM64 tools ready (prefix $WINEPREFIX)"
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

# This kernel cannot run 32-bit Linux programs, so 32-bit Wine runs under
# qemu. The entry must exist before the prefix is made, or 64-bit Wine makes
# it without the 32-bit half (syswow64) that the 32-bit DLL's programs need.
register_qemu qemu-i386 ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'

# One prefix for both x86 DLLs, made by 64-bit Wine natively (2 to 4
# minutes; its 32-bit set-up steps run emulated). One without syswow64
# (made before the qemu entry existed) is made again.
make_prefix "64-bit and 32-bit" 1200 system32 syswow64
echo "setup: Windows tools ready (prefix $WINEPREFIX)"
