#!/usr/bin/env bash
# The install helper against a fake apt-get, one row per package-index state:
#   name | update exit | plain install exit | pinned install exit | helper exit | text the helper must print
# Both the helper's apt-get and its sudo are fakes, given by absolute path
# (sudo resets PATH), so no real package command runs, as root or not.
set -uo pipefail
helper=$(cd "$(dirname "$0")/.." && pwd)/scripts/apt-install.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

mkdir "$scratch/bin"
cat >"$scratch/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_APT_CALLS"
case "$*" in
  *update*)
    if [ "$FAKE_UPDATE_EXIT" -ne 0 ]; then
      echo "E: Failed to fetch http://deb.example/debian-security/dists/quux-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    fi
    exit "$FAKE_UPDATE_EXIT" ;;
  *Default-Release*)
    [ "$FAKE_PINNED_EXIT" -ne 0 ] && echo "E: Unable to correct problems, you have held broken packages."
    exit "$FAKE_PINNED_EXIT" ;;
  *)
    [ "$FAKE_PLAIN_EXIT" -ne 0 ] && echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    exit "$FAKE_PLAIN_EXIT" ;;
esac
EOF
cat >"$scratch/bin/sudo" <<'EOF'
#!/usr/bin/env bash
echo "sudo $*" >>"$FAKE_APT_CALLS"
exec "$@"
EOF
chmod +x "$scratch/bin/apt-get" "$scratch/bin/sudo"
printf 'ID=debian\nVERSION_CODENAME=quux\n' >"$scratch/os-release"

failures=0
while IFS='|' read -r name update plain pinned expected_exit expected_text; do
  [ -z "$name" ] && continue
  : >"$scratch/calls"
  output=$(LINTROW_APT_GET="$scratch/bin/apt-get" LINTROW_SUDO="$scratch/bin/sudo" \
           FAKE_APT_CALLS="$scratch/calls" FAKE_UPDATE_EXIT=$update \
           FAKE_PLAIN_EXIT=$plain FAKE_PINNED_EXIT=$pinned LINTROW_APT_RETRY_PAUSE=0 \
           LINTROW_OS_RELEASE="$scratch/os-release" "$helper" wine32:i386 qemu-user-static 2>&1)
  status=$?
  updates=$(grep -c '^apt-get update' "$scratch/calls")
  problem=""
  [ "$status" -eq "$expected_exit" ] || problem="exit $status, expected $expected_exit"
  grep -qF -- "$expected_text" <<<"$output" || problem="$problem; no \"$expected_text\""
  grep -q 'allow-downgrades' "$scratch/calls" && problem="$problem; asked for a downgrade"
  # Not root: every apt-get call went through the fake sudo to the fake apt-get.
  if [ "$(id -u)" -ne 0 ] && [ "$(grep -c "^sudo env DEBIAN_FRONTEND=noninteractive $scratch/bin/apt-get " "$scratch/calls")" -ne "$(grep -c '^apt-get ' "$scratch/calls")" ]; then
    problem="$problem; an apt-get call did not go through the fake sudo"
  fi
  if [ "$update" -ne 0 ] && [ "$updates" -ne 3 ]; then problem="$problem; $updates updates, expected 3"; fi
  if [ -n "$problem" ]; then
    echo "FAIL $name: ${problem#; }"
    sed 's/^/    /' <<<"$output"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
done <<'EOF'
index in step|0|0|0|0|install wine32:i386 qemu-user-static: exit 0
index out of step, pinned install works|100|100|0|0|install pinned to quux: exit 0
failed index is named|100|100|0|0|binary-i386/Packages.xz
nothing installs|100|100|100|1|cannot install: wine32:i386 qemu-user-static
apt's error is shown|100|100|100|1|you have held broken packages
index in step, install fails|0|100|100|1|cannot install: wine32:i386 qemu-user-static
EOF
exit $((failures > 0))
