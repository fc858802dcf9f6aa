#!/usr/bin/env bash
# Builds the Python wheel `lintrow` around one built library, tagged with the
# platform that library runs on, with the system's setuptools (from Debian's
# python3-setuptools and python3-wheel, installed when missing).
#   build-wheel.sh LIBRARY PLATFORM OUT_DIR
# LIBRARY is a libLintrow.so.1 (PLATFORM linux: the tag is derived from the
# library itself, manylinux_<glibc>_<machine> with the highest glibc symbol
# version it imports, so pip installs it only where it loads) or Lintrow.dll
# (win32 or win_amd64). Prints the wheel's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
library=$1
platform=$2
out_dir=$3
python=/usr/bin/python3
"$root/scripts/setup-package-tools.sh" >&2
if [ "$platform" = linux ]; then
  glibc=$(readelf -V -W "$library" | grep -o 'Name: GLIBC_[0-9.]*' | sed 's/.*GLIBC_//' | sort -V | tail -n 1)
  case $(readelf -h "$library" | sed -n 's/^ *Machine: *//p') in
    *X86-64*) machine=x86_64 strip=strip ;;
    AArch64) machine=aarch64 strip=aarch64-linux-gnu-strip ;;
    *) echo "build-wheel: no wheel tag for the machine of $library" >&2; exit 1 ;;
  esac
  [ -n "$glibc" ] || { echo "build-wheel: $library imports no glibc symbol version" >&2; exit 1; }
  glibc_major=${glibc%%.*}
  glibc_minor=${glibc#*.}
  platform=manylinux_${glibc_major}_${glibc_minor%%.*}_$machine
fi
version=$(sed -n 's/^project(Lintrow VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$root/examples/python/pyproject.toml" "$root/examples/python/setup.py" "$root/LICENSE" "$stage/"
mkdir "$stage/lintrow"
cp "$root/examples/python/lintrow/__init__.py" "$stage/lintrow/"
case $platform in
  win*) cp "$library" "$stage/lintrow/Lintrow.dll" ;;
  *) "$strip" --strip-unneeded -o "$stage/lintrow/libLintrow.so.1" "$library" ;;
esac
mkdir -p "$out_dir"
rm -f "$out_dir"/lintrow-"$version"-py3-none-"$platform".whl
LINTROW_WHEEL_PLATFORM=$platform LINTROW_WHEEL_VERSION=$version \
  "$python" -m pip wheel --quiet --no-build-isolation --no-index --no-deps -w "$out_dir" "$stage" >&2
wheel=$out_dir/lintrow-$version-py3-none-$platform.whl
[ -f "$wheel" ] || { echo "build-wheel: no $wheel" >&2; exit 1; }
echo "$wheel"
