# Sourced by the package checks. They install and remove the Debian
# packages, so they need root, start with none of them installed (of any
# architecture), and remove what they installed however they end.
#   start_package_check SCRIPT_NAME     sets $work, a scratch directory

# Every one dpkg knows, also those removed but with their files still on
# record, purged: dpkg keeps a removed package's record for its postrm.
purge_lintrow_packages() {
  local known
  known=$(dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' 'liblintrow*' 2>/dev/null | awk '$1 != "not-installed" {print $2}')
  # One dpkg run for all of them, so that it orders them by their dependencies.
  # shellcheck disable=SC2086
  [ -z "$known" ] || dpkg --purge $known >/dev/null 2>&1 || true
}

start_package_check() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "$1 needs root: it installs and removes Debian packages with dpkg (run it with sudo)"
    exit 1
  fi
  local package
  for package in liblintrow1 liblintrow-dev; do
    if dpkg-query -W -f='${db:Status-Status}\n' "$package:*" 2>/dev/null | grep -qx installed; then
      echo "FAIL: $package is installed already; remove it first (dpkg -r liblintrow-dev liblintrow1)"
      exit 1
    fi
  done
  work=$(mktemp -d)
  trap 'purge_lintrow_packages; rm -rf "$work"' EXIT
}
