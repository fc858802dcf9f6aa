#!/usr/bin/env bash
# Installs what the Linux cross builds need, when missing: Debian's cross
# compilers for the triples named and qemu user-mode emulation, which ctest
# runs their test programs with.
#   setup-cross-tools.sh TRIPLE...      (aarch64-linux-gnu, s390x-linux-gnu)
set -euo pipefail
need_packages=()
for triple in "$@"; do
  command -v "$triple-g++" >/dev/null || need_packages+=("g++-$triple")
  command -v "qemu-${triple%%-*}-static" >/dev/null || need_packages+=(qemu-user-static)
done
if [ ${#need_packages[@]} -gt 0 ]; then
  # shellcheck disable=SC2046
  "$(dirname "$0")/apt-install.sh" $(printf '%s\n' "${need_packages[@]}" | sort -u)
fi
echo "setup: cross compilers ready for $*"
