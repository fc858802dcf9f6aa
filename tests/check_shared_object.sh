#!/usr/bin/env bash
# The shared object's dynamic symbol table defines exactly the ten entry
# points, with plain C (unmangled) names, and nothing else.
# Usage: check_shared_object.sh libLintrow.so
set -euo pipefail
defined=$(nm -D --defined-only "$1" | awk '{print $3}' | sed 's/@.*//' | sort | tr '\n' ' ')
expected="CloseFile CurrentRecord Fields GetField GetLine NextLine Pos PrepareFile SetDelim SkipToLine "
if [ "$defined" != "$expected" ]; then
  echo "FAIL: $1 defines: $defined"
  exit 1
fi
functions=$(nm -D --defined-only "$1" | awk '$2 == "T"' | wc -l)
[ "$functions" = 10 ] || { echo "FAIL: $functions of the ten are functions"; exit 1; }
echo "$1 defines exactly: $defined"
