# Sourced by the scripts that run Wine. Both Windows DLLs are tested in one
# prefix, build/wineprefix64, made by 64-bit Wine, which runs natively: a
# 64-bit program runs as it is, a 32-bit one under its WoW64 layer, whose
# 32-bit Wine runs under qemu user-mode emulation (this kernel cannot run
# 32-bit Linux programs). LINTROW_WINE_ARCH (win32, win64 or winarm64) says
# which DLL a run is for. Without debug output, and without Mono, Gecko or desktop
# menu entries (their installers would wait, and each is one more process
# to start).
root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LINTROW_WINE_ARCH=${LINTROW_WINE_ARCH:-win32}
export WINEARCH=win64
if [ "$LINTROW_WINE_ARCH" = winarm64 ]; then
  # Windows on ARM64: Debian's arm64 Wine, its loader and server taken from
  # the wine64:arm64 package into build/wine-arm64 (installing the package
  # would remove the amd64 one), run under qemu through binfmt_misc, in a
  # prefix of its own.
  export WINEPREFIX=${LINTROW_WINEPREFIX_ARM64:-$root_dir/build/wineprefix-arm64}
  wine_program=$root_dir/build/wine-arm64/lib/wine/wine64
  wineserver_program=$root_dir/build/wine-arm64/lib/wine/wineserver64
  export WINESERVER=$wineserver_program
else
  export WINEPREFIX=${LINTROW_WINEPREFIX64:-$root_dir/build/wineprefix64}
  # The 64-bit loader itself: the `wine` wrapper takes over a minute to start
  # a 64-bit program here and prints nothing. It starts 32-bit programs with
  # the 32-bit loader.
  wine_program=/usr/lib/wine/wine64
  wineserver_program=/usr/lib/wine/wineserver64
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
