#!/usr/bin/env bash
# The arm64 Debian packages and the aarch64 wheel, from the aarch64 cross
# build (the debian-arm64 preset), as an ARM64 Linux user takes them:
# 1. lintian finds no error in liblintrow1 and liblintrow-dev for arm64;
# 2. installed with the README's arm64 line beside the amd64 ones (multiarch:
#    both are Multi-Arch: same), each architecture's library in its own
#    directory; a consumer cross-built against the installed arm64 -dev with
#    pkg-config for the target, run under qemu, and one built natively
#    against the amd64 -dev both print the expected table; removed, no file
#    of theirs is left;
# 3. the aarch64 wheel: tagged with the glibc its library needs, holding an
#    AArch64 library and the licence.
# Needs root (dpkg). Removes what it installed, also when a check fails.
#   check_packages_arm64.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=support/package_checks.sh
. tests/support/package_checks.sh
start_package_check check_packages_arm64.sh
sample=examples/sample/orders.csv
expected=tests/expected/revenue_by_customer.txt

# arm64 beside amd64, with the C library the arm64 packages depend on.
dpkg --print-foreign-architectures | grep -qx arm64 || dpkg --add-architecture arm64
dpkg -s libc6:arm64 >/dev/null 2>&1 || scripts/apt-install.sh libc6:arm64
scripts/setup-package-tools.sh
for preset in debian debian-arm64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
  (cd "build/$preset" && cpack -G DEB -B "$work/$preset" >/dev/null)
done
debs=("$work"/debian-arm64/liblintrow1_*_arm64.deb "$work"/debian-arm64/liblintrow-dev_*_arm64.deb)
version=$(dpkg-deb -f "${debs[0]}" Version)

echo "--- arm64 Debian packages $version"
lintian_status=0
lintian --fail-on error "${debs[@]}" > "$work/lintian.txt" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.txt" || true
[ "$lintian_status" = 0 ] || { echo "FAIL: lintian reports errors"; exit 1; }
readme_line=$(sed -n 's/^    \$ sudo \(dpkg -i liblintrow1_[^ ]*_arm64\.deb .*\)$/\1/p' README.md)
[ "$readme_line" = "dpkg -i liblintrow1_${version}_arm64.deb liblintrow-dev_${version}_arm64.deb" ] ||
  { echo "FAIL: the README's arm64 line is \"$readme_line\", the build made $version"; exit 1; }
dpkg -i "$work"/debian/liblintrow1_*.deb "$work"/debian/liblintrow-dev_*.deb >/dev/null
(cd "$work/debian-arm64" && $readme_line >/dev/null)
for arch_and_triple in amd64:x86_64-linux-gnu arm64:aarch64-linux-gnu; do
  dpkg -L "liblintrow1:${arch_and_triple%%:*}" | grep -qx "/usr/lib/${arch_and_triple#*:}/libLintrow.so.1" ||
    { echo "FAIL: liblintrow1:${arch_and_triple%%:*} does not hold /usr/lib/${arch_and_triple#*:}/libLintrow.so.1"; exit 1; }
done
dpkg -L liblintrow1:arm64 liblintrow-dev:arm64 | sort -u > "$work/installed-files"

# pkg-config for the target finds the arm64 copy.
flags=$(PKG_CONFIG_LIBDIR=/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig pkg-config --cflags --libs lintrow)
library_dir=$(realpath -m "$(tr ' ' '\n' <<<"$flags" | sed -n 's/^-L//p')")
[ "$library_dir" = /usr/lib/aarch64-linux-gnu ] || { echo "FAIL: pkg-config for arm64 gives $flags"; exit 1; }
# shellcheck disable=SC2086
aarch64-linux-gnu-g++ -std=c++17 -o "$work/consumer-arm64" examples/cpp_host/revenue_by_customer.cpp $flags
readelf -h "$work/consumer-arm64" | grep -q 'Machine: *AArch64' || { echo "FAIL: the consumer is not an ARM64 program"; exit 1; }
# Debian's arm64 C library and loader, as on an ARM64 machine.
qemu-aarch64-static -E LD_LIBRARY_PATH=/usr/lib/aarch64-linux-gnu:/lib/aarch64-linux-gnu "$work/consumer-arm64" "$sample" |
  diff -u "$expected" -
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/consumer-amd64" examples/cpp_host/revenue_by_customer.cpp $(pkg-config --cflags --libs lintrow)
"$work/consumer-amd64" "$sample" | diff -u "$expected" -
echo "installed beside the amd64 packages: an arm64 consumer (under qemu) and an amd64 one print the expected table"

dpkg -r liblintrow-dev:arm64 liblintrow1:arm64 >/dev/null
# The header and the documents stay: the amd64 packages hold them too.
left=$(grep aarch64 "$work/installed-files" | while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done)
[ -z "$left" ] || { echo "FAIL: dpkg -r left behind: $left"; exit 1; }
[ -f /usr/lib/x86_64-linux-gnu/libLintrow.so.1 ] || { echo "FAIL: removing arm64 took the amd64 library"; exit 1; }
echo "removed: no arm64 file is left, the amd64 packages are whole"

echo "--- aarch64 wheel"
wheel=$(scripts/build-wheel.sh build/debian-arm64/libLintrow.so."${version%-*}" linux "$work/wheel")
case "$(basename "$wheel")" in
  lintrow-*-py3-none-manylinux_2_[0-9]*_aarch64.whl) ;;
  *) echo "FAIL: the aarch64 wheel is named $(basename "$wheel")"; exit 1 ;;
esac
python3 -m zipfile -e "$wheel" "$work/wheel/contents"
readelf -h "$work/wheel/contents/lintrow/libLintrow.so.1" | grep -q 'Machine: *AArch64' ||
  { echo "FAIL: the aarch64 wheel's library is not for AArch64"; exit 1; }
cmp "$work"/wheel/contents/lintrow-*.dist-info/LICENSE LICENSE
echo "$(basename "$wheel"): an AArch64 library, the licence"
