#!/usr/bin/env bash
# Installs what building and checking the packages needs, when missing:
# dpkg-dev (dpkg-shlibdeps), lintian, abigail-tools (abidw, abidiff), and the
# system Python's setuptools, wheel, pip and venv for the wheels.
set -euo pipefail
missing=()
command -v dpkg-shlibdeps >/dev/null || missing+=(dpkg-dev)
command -v lintian >/dev/null || missing+=(lintian)
command -v abidiff >/dev/null || missing+=(abigail-tools)
command -v pkg-config >/dev/null || missing+=(pkg-config)
/usr/bin/python3 -c 'import setuptools' 2>/dev/null || missing+=(python3-setuptools)
/usr/bin/python3 -c 'import wheel' 2>/dev/null || missing+=(python3-wheel)
/usr/bin/python3 -c 'import pip' 2>/dev/null || missing+=(python3-pip)
/usr/bin/python3 -c 'import ensurepip' 2>/dev/null || missing+=(python3-venv)
if [ ${#missing[@]} -gt 0 ]; then
  "$(dirname "$0")/apt-install.sh" "${missing[@]}"
fi
