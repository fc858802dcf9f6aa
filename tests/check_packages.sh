#!/usr/bin/env bash
# Lintrow as its users install it, from the `debian` preset's build:
# 1. the ABI of the shared object against the recorded baseline (abidiff);
# 2. the Debian packages liblintrow1 and liblintrow-dev: lintian finds no
#    error; installed with dpkg -i, a consumer built with pkg-config and one
#    with find_package(Lintrow CONFIG) print the expected table, and the
#    Python package of the source tree finds the system's library; removed
#    with dpkg -r, no file of theirs is left;
# 3. the Linux wheel installed into a fresh virtual environment with pip
#    --no-index, the wrapper's tests run against the installed package.
# Needs root (dpkg). Removes what it installed, also when a check fails.
# The packages' version and architecture are read from what the build made.
#   check_packages.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=support/package_checks.sh
. tests/support/package_checks.sh
start_package_check check_packages.sh
packages=(liblintrow1 liblintrow-dev)
sample=examples/sample/orders.csv
expected=tests/expected
# The README's Install section, as a user follows it (as root, without sudo).
readme_command() {
  local found
  found=$(sed -n "s/^    \$ \(sudo \)\{0,1\}\($1.*\)\$/\2/p" README.md)
  [ -n "$found" ] || { echo "FAIL: the README's Install section has no \"$1\" line" >&2; exit 1; }
  echo "$found"
}
# The line for this machine's architecture (the README has one for arm64 too).
readme_dpkg_install=$(readme_command "dpkg -i liblintrow1_[^ ]*_$(dpkg --print-architecture)\\.deb")
dpkg_remove=$(readme_command "dpkg -r")
readme_pip_install=$(readme_command "pip install lintrow-[^ ]*_$(uname -m)\\.whl")

scripts/setup-package-tools.sh
cmake --preset debian >/dev/null
cmake --build --preset debian >/dev/null
library=build/debian/libLintrow.so.1.0.0

echo "--- ABI against abi/libLintrow.so.1.abi"
if ! abidiff abi/libLintrow.so.1.abi "$library"; then
  echo "FAIL: the ABI differs from the baseline (see above). Only a new major version may change it:"
  echo "      then scripts/update-abi-baseline.sh records the new one."
  exit 1
fi
echo "no ABI change"

echo "--- Debian packages"
(cd build/debian && cpack -G DEB -B "$work/deb" >/dev/null)
debs=("$work"/deb/liblintrow1_*.deb "$work"/deb/liblintrow-dev_*.deb)
version=$(dpkg-deb -f "${debs[0]}" Version)
arch=$(dpkg-deb -f "${debs[0]}" Architecture)
upstream=${version%-*}
# Both can be installed beside the same packages of another architecture,
# and a package built against this one asks for this version or a later one.
for deb in "${debs[@]}"; do
  [ "$(dpkg-deb -f "$deb" Multi-Arch)" = same ] || { echo "FAIL: $(basename "$deb") is not Multi-Arch: same"; exit 1; }
done
shlibs=$(dpkg-deb --ctrl-tarfile "${debs[0]}" | tar -xO ./shlibs)
[ "$shlibs" = "libLintrow 1 liblintrow1 (>= $upstream)" ] || { echo "FAIL: shlibs is \"$shlibs\""; exit 1; }
echo "liblintrow1 and liblintrow-dev $version for $arch: Multi-Arch: same, shlibs \"$shlibs\""
# The README's install line, for the packages this build made (the README
# names the version it documents, and amd64).
readme_version=$(sed -n 's/.*liblintrow1_\([^_]*\)_.*/\1/p' <<<"$readme_dpkg_install")
[ "$readme_version" = "$version" ] || { echo "FAIL: the README installs $readme_version, the build made $version"; exit 1; }
dpkg_install=$(sed "s/_${version}_[a-z0-9]*\.deb/_${version}_${arch}.deb/g" <<<"$readme_dpkg_install")
lintian_status=0
lintian --fail-on error "${debs[@]}" > "$work/lintian.txt" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.txt" || true
[ "$lintian_status" = 0 ] || { echo "FAIL: lintian reports errors"; exit 1; }
(cd "$work/deb" && $dpkg_install >/dev/null)
dpkg -L "${packages[@]}" | sort -u > "$work/installed-files"

c++ -std=c++17 -o "$work/pc_host" examples/cpp_host/revenue_by_customer.cpp $(pkg-config --cflags --libs lintrow)
"$work/pc_host" "$sample" | diff -u "$expected/revenue_by_customer.txt" -
cmake -S examples/cpp_host -B "$work/cmake_host" >/dev/null
cmake --build "$work/cmake_host" >/dev/null
"$work/cmake_host/revenue_by_customer" "$sample" | diff -u "$expected/revenue_by_customer.txt" -
env -u LINTROW_LIBRARY python3 examples/python/order_status.py | diff -u "$expected/order_status.txt" -
echo "installed: both consumers and the Python package print the expected tables"

$dpkg_remove >/dev/null
left=$(while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done < "$work/installed-files")
[ -z "$left" ] || { echo "FAIL: dpkg -r left behind: $left"; exit 1; }
echo "removed: no file of the packages is left"

echo "--- Python wheel"
wheel=$(scripts/build-wheel.sh "$library" linux "$work/wheel")
unzip -p "$wheel" "lintrow-$upstream.dist-info/METADATA" | grep -qx 'License-File: LICENSE' &&
  unzip -p "$wheel" "lintrow-$upstream.dist-info/LICENSE" | cmp -s - LICENSE ||
  { echo "FAIL: $(basename "$wheel") does not carry the licence"; exit 1; }
glibc=$(basename "$wheel" | sed -n 's/.*-manylinux_\([0-9]*\)_\([0-9]*\)_.*/\1.\2/p')
grep -q "glibc $glibc or later" README.md || { echo "FAIL: the README does not say the wheel needs glibc $glibc"; exit 1; }
[ "$(sed -n 's/^pip install \(.*\)/\1/p' <<<"$readme_pip_install")" = "$(basename "$wheel")" ] ||
  { echo "FAIL: the README installs \"$readme_pip_install\", the build made $(basename "$wheel")"; exit 1; }
pip_install=$readme_pip_install
python3 -m venv "$work/venv"
(cd "$(dirname "$wheel")" && PIP_NO_INDEX=1 "$work/venv/bin/"$pip_install --quiet)
# From a scratch directory and with -P: nothing of the source tree on sys.path.
(cd "$work" && env -u LINTROW_LIBRARY LINTROW_TEST_INSTALLED="$work/venv" \
   "$work/venv/bin/python" -P "$root/tests/python/test_lintrow.py" 2>&1 | tail -n 3)
(cd "$work" && env -u LINTROW_LIBRARY "$work/venv/bin/python" -P "$root/examples/python/order_status.py" "$root/$sample") |
  diff -u "$expected/order_status.txt" -
echo "$(basename "$wheel"): installed with pip, the wrapper's tests pass against it"
