# Sourced by the scripts that run Wine. LINTROW_WINE_ARCH picks the prefix:
# win32 (the default; 32-bit Wine under qemu emulation) or win64 (64-bit Wine,
# native, in a prefix of its own). Both without debug output, and without
# Mono, Gecko or desktop menu entries (their installers would wait, and each
# is one more process to start).
root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LINTROW_WINE_ARCH=${LINTROW_WINE_ARCH:-win32}
export WINEARCH=$LINTROW_WINE_ARCH
if [ "$LINTROW_WINE_ARCH" = win64 ]; then
  export WINEPREFIX=${LINTROW_WINEPREFIX64:-$root_dir/build/wineprefix64}
  # The 64-bit loader itself: the `wine` wrapper takes over a minute to start
  # a 64-bit program here and prints nothing.
  wine_program=/usr/lib/wine/wine64
  wineserver_program=/usr/lib/wine/wineserver64
else
  export WINEPREFIX=${LINTROW_WINEPREFIX:-$root_dir/build/wineprefix}
  wine_program=wine
  wineserver_program=wineserver
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
