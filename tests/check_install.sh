#!/usr/bin/env bash
# Installs a built tree into a scratch prefix and builds the C++ example host,
# an outside project, against the installed copy both ways: with CMake's
# find_package(Lintrow CONFIG) and with pkg-config. Runs both on the sample.
#   check_install.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
sample=$source_dir/examples/sample/orders.csv

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in include/Lintrow.h lib/libLintrow.so lib/cmake/Lintrow/LintrowConfig.cmake lib/pkgconfig/lintrow.pc; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

# CMake package: the imported target brings the include path and the library.
cmake -S "$source_dir/examples/cpp_host" -B "$work/with-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/with-cmake" >/dev/null
"$work/with-cmake/revenue_by_customer" "$sample" > "$work/cmake.out"

# pkg-config: the flags from lintrow.pc alone.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[ "$(pkg-config --modversion lintrow)" = 1.0.0 ]
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/pc_host" "$source_dir/examples/cpp_host/revenue_by_customer.cpp" \
  $(pkg-config --cflags --libs lintrow)
LD_LIBRARY_PATH=$prefix/lib "$work/pc_host" "$sample" > "$work/pkg-config.out"

"$work/with-cmake/revenue_by_customer" "$source_dir/examples/sample/orders_long_lines.csv" > "$work/long_lines.out"

diff -u "$source_dir/tests/expected/revenue_by_customer.txt" "$work/cmake.out"
diff -u "$source_dir/tests/expected/revenue_by_customer_long_lines.txt" "$work/long_lines.out"
diff -u "$source_dir/tests/expected/revenue_by_customer.txt" "$work/pkg-config.out"
echo "installed copy used through find_package and pkg-config: both hosts agree with the expected output"
