#!/usr/bin/env bash
# Runs a batch file of Windows commands under Wine, all in one Wine session,
# in the project's prefix (see wine-env.sh): each emulated 32-bit process
# costs about a minute to start. The run is bounded in time (under emulation
# Wine sometimes hangs) and the server is stopped afterwards. Wine exits 0 even when it is killed, so the caller must
# judge the run by the files the commands wrote, never by this exit status
# alone; 1 here means the run timed out.
# Usage: run-under-wine.sh DIR BATCH_FILE
set -uo pipefail

# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
limit=${LINTROW_WINE_TIMEOUT:-2100}

cd "$1"
batch=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A persistent server spares each command the server's own start-up; it is
# stopped at the end whatever happens.
timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1
"$wineserver_program" -p </dev/null >/dev/null 2>&1 &
started=$(date +%s)
# Into a file, not a pipe: Wine's helper processes inherit the output and
# would keep a pipe open after the commands ended.
timeout -k 10 "$limit" "$wine_program" cmd /c "$batch" </dev/null >"$log" 2>&1
status=$?
tr -d '\r' <"$log"
echo "wine ($LINTROW_WINE_ARCH): $batch took $(( $(date +%s) - started )) s, exit status $status"
timeout 30 "$wineserver_program" -k </dev/null >/dev/null 2>&1

if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "wine: timed out after $limit s"
  exit 1
fi
exit 0
