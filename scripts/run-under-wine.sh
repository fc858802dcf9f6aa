#!/usr/bin/env bash
# Runs one Windows program under Wine and passes only when it printed a
# GoogleTest summary without failures, or, with --expect, exactly the expected
# text on its standard output. Wine exits 0 when it is killed, and under qemu
# emulation it sometimes hangs, so the run is bounded and a missing summary or
# output counts as a failure.
# Usage: run-under-wine.sh [--expect FILE] PROGRAM.exe [ARGUMENTS...]
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win32
# No desktop menu entries to build: one emulated helper process fewer.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
limit=${LINTROW_WINE_TIMEOUT:-1200}

expected=
if [ "$1" = --expect ]; then
  expected=$2
  shift 2
fi
program=$1
shift
cd "$(dirname "$program")"
log=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$log" "$errors"' EXIT

# A persistent server spares the program the server's own start-up; it is
# stopped at the end whatever happens.
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
wineserver -p </dev/null >/dev/null 2>&1 &
started=$(date +%s)
# Into a file, not a pipe: Wine's helper processes inherit the output and
# would keep a pipe open after the program ended.
timeout -k 10 "$limit" wine "./$(basename "$program")" "$@" </dev/null >"$log" 2>"$errors"
status=$?
tr -d '\r' <"$log"
tr -d '\r' <"$errors"
echo "wine: ${program##*/} took $(( $(date +%s) - started )) s, exit status $status"
timeout 30 wineserver -k </dev/null >/dev/null 2>&1

if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "wine: timed out after $limit s"
  exit 1
fi
if [ -n "$expected" ]; then
  tr -d '\r' <"$log" | diff -u "$expected" - || { echo "wine: not the expected output"; exit 1; }
  exit "$status"
fi
if ! tr -d '\r' <"$log" | grep -q '^\[  PASSED  \]'; then
  echo "wine: no test summary: the program did not finish"
  exit 1
fi
if tr -d '\r' <"$log" | grep -q '^\[  FAILED  \]' || [ "$status" -ne 0 ]; then
  exit 1
fi
