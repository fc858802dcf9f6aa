#!/usr/bin/env bash
# Builds every file Lintrow ships into dist/, with their SHA256SUMS:
#   Lintrow-<version>-Linux.tar.gz             the Linux library, header, CMake and pkg-config files
#   liblintrow1_<version>-1_<arch>.deb         the Debian runtime package, amd64 and arm64
#   liblintrow-dev_<version>-1_<arch>.deb      the Debian development package, amd64 and arm64
#   lintrow-<version>-py3-none-<platform>.whl  the Python package for Linux x86-64 and AArch64,
#                                              win32, win_amd64 and win_arm64
#   Lintrow-<version>-win32.zip, -win64.zip,   the Windows DLLs with header and import libraries
#   -winarm64.zip
# Installs what it needs (compilers, packaging tools) when missing. The
# builds are library-only, in build/release*, apart from the test builds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
step() { printf '\n=== %s (at %d s)\n' "$*" $(( $(date +%s) - started )); }

step "tools"
command -v cmake >/dev/null && command -v g++ >/dev/null || scripts/apt-install.sh cmake g++ make
scripts/setup-package-tools.sh
scripts/setup-windows-tools.sh compilers
scripts/setup-cross-tools.sh aarch64-linux-gnu

rm -rf dist
mkdir -p dist
version=$(sed -n 's/^project(Lintrow VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)

step "Linux tarball"
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G TGZ -B "$root/build/release/packages" >/dev/null)
cp build/release/packages/Lintrow-"$version"-Linux.tar.gz dist/

step "Debian packages, amd64 and arm64"
for preset in debian debian-arm64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  (cd "build/$preset" && cpack -G DEB -B "$root/build/$preset/packages" >/dev/null)
  cp build/"$preset"/packages/liblintrow1_"$version"-*.deb build/"$preset"/packages/liblintrow-dev_"$version"-*.deb dist/
done

step "Windows DLLs"
for arch in win32 win64 winarm64; do
  cmake --preset "$arch" -B "build/release-$arch" -DLINTROW_BUILD_TESTS=OFF >/dev/null
  cmake --build "build/release-$arch" -j 2
  (cd "build/release-$arch" && cpack -G ZIP -B "$root/build/release-$arch/packages" >/dev/null)
  cp "build/release-$arch/packages/Lintrow-$version-$arch.zip" dist/
done

step "Python wheels"
scripts/build-wheel.sh build/debian/libLintrow.so."$version" linux dist
scripts/build-wheel.sh build/debian-arm64/libLintrow.so."$version" linux dist
scripts/build-wheel.sh build/release-win32/bin/Lintrow.dll win32 dist
scripts/build-wheel.sh build/release-win64/bin/Lintrow.dll win_amd64 dist
scripts/build-wheel.sh build/release-winarm64/bin/Lintrow.dll win_arm64 dist

step "SHA256SUMS"
(cd dist && sha256sum -- * > SHA256SUMS && cat SHA256SUMS)
[ "$(wc -l < dist/SHA256SUMS)" = 13 ] || { echo "release: expected 13 files in dist/"; exit 1; }
step "dist/ is complete"
