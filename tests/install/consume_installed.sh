#!/usr/bin/env bash
# Installs the built tree into a fresh prefix, checks what landed there, builds the consumer
# project against that prefix alone, compiles every installed header on its own, and runs the
# consumer against the installed k7's simulated plant.
#
# The library's exported symbols are compared with tests/install/exported-symbols.txt
# (scripts/update-exported-symbols.sh rewrites it), the list of the g++ build the library ships
# from: a g++ build must match it exactly; another compiler (the clang sanitizer build) must export
# everything in it and may export a little more, which is shown.
#
# usage: consume_installed.sh BUILD_DIR CONSUMER_SOURCE_DIR WORK_DIR CXX_COMPILER CXX_FLAGS LINKER_FLAGS COMPILER_ID
set -euo pipefail
build=$1 consumer=$2 work=$3 cxx=$4 cxx_flags=$5 linker_flags=$6 compiler_id=${7:-}
here=$(cd "$(dirname "$0")" && pwd)
prefix=$work/prefix

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

libdir=$(cd "$prefix" && ls -d lib*/ | head -n1)
lib=$(ls "$prefix/$libdir"libOrvelK7Controls.so.*.* 2>/dev/null | head -n1)
[ -n "$lib" ] || fail "no versioned libOrvelK7Controls.so under $prefix/$libdir"
soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libOrvelK7Controls.so.12" ] || fail "SONAME is '$soname'"
[ -L "$prefix/$libdir/libOrvelK7Controls.so" ] || fail "no development link libOrvelK7Controls.so"

"$here/exported_symbols.sh" "$lib" >"$work/exported-symbols.txt"
if ! diff -u "$here/exported-symbols.txt" "$work/exported-symbols.txt" >"$work/exported-symbols.diff"; then
  added=$(grep -E '^\+[^+]' "$work/exported-symbols.diff" || true)
  removed=$(grep -E '^-[^-]' "$work/exported-symbols.diff" || true)
  if [ "$compiler_id" = GNU ] || [ -n "$removed" ]; then
    echo "Exported symbols differ from tests/install/exported-symbols.txt (+ exported now, - no longer):"
    printf '%s\n' "$added" "$removed" | sed '/^$/d'
    fail "the exported symbols changed; if that is meant, run scripts/update-exported-symbols.sh"
  fi
  # Another compiler may export a little more of the same API (a vtable g++ optimises away).
  echo "note: this $compiler_id build exports more than the g++ list:"
  printf '%s\n' "$added"
fi

include=$prefix/include/OrvelK7Controls
[ -f "$include/OrvelK7Controls.h" ] || fail "no OrvelK7Controls.h under $include"
[ -f "$include/controls/prodcode/ProdCode.h" ] || fail "ProdCode.h not installed"
private=$(find "$include" -name '*_p.h')
[ -z "$private" ] || fail "private headers installed: $private"
for f in OrvelK7ControlsConfig.cmake OrvelK7ControlsConfigVersion.cmake OrvelK7ControlsTargets.cmake; do
  [ -f "$prefix/${libdir}cmake/OrvelK7Controls/$f" ] || fail "package file $f missing"
done

# Only the public headers are installed; the library's own stay behind.
for internal in controls/pathcontrol/PolledRequest_p.h frame/children/WidgetArray_p.h frame/children/Timer_p.h service/HttpRequest_p.h \
  frame/requests/ServiceExchange_p.h core/Common_p.h controls/pathcontrol/CanvasInterpreter_p.h; do
  [ ! -e "$include/$internal" ] || fail "internal header installed: $internal"
done

# The consumer sees the prefix only: no package registry, no build tree.
configure_against_prefix() { # SOURCE_DIR BUILD_DIR
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$cxx_flags" -DCMAKE_EXE_LINKER_FLAGS="$linker_flags" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_BUILD_TYPE=Release
}
configure_against_prefix "$consumer" "$work/build" >"$work/configure.log" || { cat "$work/configure.log"; fail "configure"; }
cmake --build "$work/build" >"$work/build.log" || { cat "$work/build.log"; fail "build"; }

# Every installed header on its own.
headers=$here/headers
configure_against_prefix "$headers" "$work/headers" >"$work/headers-configure.log" ||
  { cat "$work/headers-configure.log"; fail "configure of the header check"; }
cmake --build "$work/headers" >"$work/headers-build.log" ||
  { grep -E "error|FAILED|undefined reference" "$work/headers-build.log";
    fail "an installed header does not compile on its own, or uses what the library does not export"; }
# The file the dynamic loader picks for the library when it loads $1.
loaded_library() {
  local path
  path=$(ldd "$1" | sed -n 's/^\s*libOrvelK7Controls\.so\.12 => \(\S*\) .*/\1/p')
  [ -n "$path" ] && readlink -f "$path"
}
installed=$(readlink -f "$prefix/${libdir}libOrvelK7Controls.so.12")
[ "$(loaded_library "$work/build/k7_consumer")" = "$installed" ] ||
  fail "the consumer does not load the installed library"
plugin=$prefix/${libdir}qt6/plugins/designer/libOrvelK7ControlsDesigner.so
[ -f "$plugin" ] || fail "the Designer plugin is not installed"
[ "$(loaded_library "$plugin")" = "$installed" ] ||
  fail "the installed Designer plugin does not load the installed library"

"$prefix/bin/k7" plant --port 0 >"$work/plant.log" 2>&1 &
plant=$!
trap 'kill $plant 2>/dev/null || true' EXIT
url=""
for _ in $(seq 100); do
  url=$(sed -n 's/^k7 plant listening on //p' "$work/plant.log")
  [ -n "$url" ] && break
  kill -0 $plant 2>/dev/null || { cat "$work/plant.log"; fail "the installed k7 plant did not start"; }
  sleep 0.1
done
[ -n "$url" ] || fail "the installed k7 plant printed no address"

QT_QPA_PLATFORM=offscreen "$work/build/k7_consumer" "$url" P100
