# Sourced by the scripts that run Wine: the project's own 32-bit prefix, no
# debug output, and no Mono, Gecko or desktop menu entries (their installers
# would wait, and each is one more emulated process).
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
