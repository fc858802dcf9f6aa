#!/usr/bin/env bash
# Runs the Windows programs under Wine in one session, one after the other:
# the test program (the suite against the DLL, on each scan path, and the fuzz
# corpus) and the demo host show_table.exe, bound to the DLL at run time.
# Passes only when the suite printed its summary without a failure and the
# host printed what it prints on Linux. ARCH (win32 or win64) picks the Wine
# prefix; OTHER_DLL is the DLL of the other bitness, which the suite checks
# that a host cannot load.
#   run_windows_programs.sh BIN_DIR SOURCE_DIR ARCH OTHER_DLL
set -euo pipefail
bin=$1
source_dir=$2
export LINTROW_WINE_ARCH=$3
other_dll=$4
if [ ! -f "$other_dll" ]; then
  echo "FAILED: $other_dll is missing: build the other Windows preset first"
  exit 1
fi
cd "$bin"
rm -f suite.out suite.status show_table.out show_table.err show_table.status
{
  echo "@echo off"
  echo "set LINTROW_OTHER_BITNESS_DLL=Z:$other_dll"
  echo "lintrow_behaviour_tests.exe --gtest_brief=1 --corpus=Z:$source_dir/tests/fuzz/corpus >suite.out 2>&1"
  echo ">suite.status echo %ERRORLEVEL%"
  echo "show_table.exe --skip-to order_id -f 1,3,5-6,8 -n 6 >show_table.out 2>show_table.err"
  echo ">show_table.status echo %ERRORLEVEL%"
} | sed 's/$/\r/' > windows_programs.bat
"$source_dir/scripts/run-under-wine.sh" "$bin" windows_programs.bat

failures=0
status_of() { if [ -f "$1.status" ]; then tr -d ' \r\n' < "$1.status"; else echo missing; fi; }
echo "--- the test program (exit status $(status_of suite))"
tr -d '\r' < suite.out 2>/dev/null || echo "no output: the program did not run"
if ! tr -d '\r' < suite.out 2>/dev/null | grep -q '^\[  PASSED  \]'; then
  echo "FAILED: no test summary, the program did not finish"; failures=$((failures + 1))
elif tr -d '\r' < suite.out | grep -q '^\[  FAILED  \]' || [ "$(status_of suite)" != 0 ]; then
  echo "FAILED: the test program reports failures"; failures=$((failures + 1))
fi
echo "--- show_table.exe (exit status $(status_of show_table))"
tr -d '\r' < show_table.err 2>/dev/null || true
if [ "$(status_of show_table)" != 0 ] ||
   ! tr -d '\r' < show_table.out | diff -u "$source_dir/tests/expected/show_table_columns.txt" -; then
  echo "FAILED: show_table.exe did not print the expected table"; failures=$((failures + 1))
fi
[ "$failures" = 0 ]
