#!/usr/bin/env bash
# Builds the Python wheel `lintrow` around one built library, tagged with the
# platform that library runs on, with the system's setuptools (from Debian's
# python3-setuptools and python3-wheel, installed when missing).
#   build-wheel.sh LIBRARY PLATFORM OUT_DIR
# LIBRARY is a libLintrow.so.1 built here (PLATFORM linux: this machine's
# tag, linux_x86_64 say) or Lintrow.dll (win32 or win_amd64). Prints the
# wheel's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
library=$1
platform=$2
out_dir=$3
python=/usr/bin/python3
"$root/scripts/setup-package-tools.sh" >&2
if [ "$platform" = linux ]; then
  # The tag setuptools itself gives this machine.
  platform=$("$python" -c 'from wheel.bdist_wheel import get_platform; print(get_platform(None))')
fi
version=$(sed -n 's/^project(Lintrow VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$root/examples/python/pyproject.toml" "$root/examples/python/setup.py" "$stage/"
mkdir "$stage/lintrow"
cp "$root/examples/python/lintrow/__init__.py" "$stage/lintrow/"
case $platform in
  win*) cp "$library" "$stage/lintrow/Lintrow.dll" ;;
  *) strip --strip-unneeded -o "$stage/lintrow/libLintrow.so.1" "$library" ;;
esac
mkdir -p "$out_dir"
rm -f "$out_dir"/lintrow-"$version"-py3-none-"$platform".whl
LINTROW_WHEEL_PLATFORM=$platform LINTROW_WHEEL_VERSION=$version \
  "$python" -m pip wheel --quiet --no-build-isolation --no-index --no-deps -w "$out_dir" "$stage" >&2
wheel=$out_dir/lintrow-$version-py3-none-$platform.whl
[ -f "$wheel" ] || { echo "build-wheel: no $wheel" >&2; exit 1; }
echo "$wheel"
