#!/usr/bin/env bash
# Installs Debian packages for the project's scripts, in a way that survives
# a package index that is out of step with its Release file:
#   apt-install.sh PACKAGE...
# 1. `apt-get update`, up to three tries; a run that still reports failed
#    indexes goes on with the lists apt already has, naming those indexes.
# 2. The install. If apt cannot resolve it (typically amd64 candidates from a
#    suite whose i386 index failed), once more with the release pinned to the
#    running distribution's main suite, which keeps both architectures in
#    step. Only upgrades: never a downgrade.
# 3. Otherwise a message naming the packages, the failed indexes and apt's
#    last error lines, and exit status 1.
# LINTROW_APT_RETRY_PAUSE (seconds, default 10), LINTROW_OS_RELEASE (the
# os-release file, default /etc/os-release), LINTROW_APT_GET and LINTROW_SUDO
# (the commands that install and that gain root, default apt-get and sudo)
# exist for the helper's own test, which must never reach the real ones.
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "apt-install: no packages named" >&2
  exit 2
fi
packages=("$@")
pause=${LINTROW_APT_RETRY_PAUSE:-10}
os_release=${LINTROW_OS_RELEASE:-/etc/os-release}

apt_get=${LINTROW_APT_GET:-apt-get}
sudo_command=${LINTROW_SUDO:-sudo}
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else "$sudo_command" "$@"; fi; }
apt() { as_root env DEBIAN_FRONTEND=noninteractive "$apt_get" "$@"; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs one timed step, its output both shown and kept in $log.
timed() {
  local name=$1 started status
  shift
  started=$(date +%s)
  "$@" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  echo "apt-install: $name: exit $status after $(( $(date +%s) - started )) s"
  return "$status"
}

failed_indexes=""
for attempt in 1 2 3; do
  if timed "update (try $attempt of 3)" apt update -q; then
    failed_indexes=""
    break
  fi
  failed_indexes=$(grep -iE '^(E|W): Failed to fetch|^Err:' "$log" | sort -u)
  [ "$attempt" -lt 3 ] && sleep "$pause"
done
if [ -n "$failed_indexes" ]; then
  echo "apt-install: going on with the package lists apt has; these indexes failed:"
  sed 's/^/  /' <<<"$failed_indexes"
fi

install=(install -y -q --no-install-recommends)
if timed "install ${packages[*]}" apt "${install[@]}" "${packages[@]}"; then
  exit 0
fi

codename=$( (. "$os_release" && echo "${VERSION_CODENAME:-}") 2>/dev/null)
if [ -n "$codename" ]; then
  echo "apt-install: retrying with the release pinned to the main suite $codename"
  if timed "install pinned to $codename" apt "${install[@]}" -o "APT::Default-Release=$codename" "${packages[@]}"; then
    exit 0
  fi
else
  echo "apt-install: $os_release names no codename, so the release cannot be pinned"
fi

{
  echo "apt-install: cannot install: ${packages[*]}"
  if [ -n "$failed_indexes" ]; then
    echo "apt-install: failed indexes:"
    sed 's/^/  /' <<<"$failed_indexes"
  fi
  echo "apt-install: apt's last error lines:"
  grep -E '^(E|W):|Depends:|broken' "$log" | tail -n 15 | sed 's/^/  /'
} >&2
exit 1
