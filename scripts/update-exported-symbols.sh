#!/usr/bin/env bash
# Rewrites tests/install/exported-symbols.txt from a build of the library, after a change of the
# public API that is meant: the install test fails on any difference between that file and what
# the library exports, so that no symbol joins or leaves the ABI unnoticed. Review the diff before
# committing it; a removed line breaks applications built against the current release.
#
# The list is taken from the g++ build (the default preset), the one the library ships from.
#
#   scripts/update-exported-symbols.sh [BUILD_DIR]      (default: build/default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
lib=$build/libOrvelK7Controls.so.12
[ -e "$lib" ] || { echo "no $lib: build the library first" >&2; exit 1; }
list=$root/tests/install/exported-symbols.txt
"$root/tests/install/exported_symbols.sh" "$lib" >"$list.new"
if diff -u "$list" "$list.new" >/dev/null 2>&1; then
  echo "unchanged: $list"
  rm "$list.new"
else
  diff -u "$list" "$list.new" || true
  mv "$list.new" "$list"
  echo "updated: $list ($(wc -l <"$list") symbols)"
fi
