#!/usr/bin/env bash
# Builds the Debian packages (cmake/Packaging.cmake) and checks each with lintian:
#
#     scripts/package.sh [OUT_DIR]        # default build/package/debs
#
# Configures build/package (prefix /usr, without tests and benchmarks), builds what the packages
# hold, runs cpack, and fails when lintian reports an error on any package. Prints each package's
# path. The build type and compiler are the default preset's, so a ccache the default build filled
# serves this build too.
#
#   K7_PACKAGE_BUILD_DIR   the build folder (default build/package)
#   K7_PACKAGE_LINTIAN=0   skip lintian (the packaging test checks contents, not policy)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_PACKAGE_BUILD_DIR:-$root/build/package}"
out="${1:-$build/debs}"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the checkout, so builds in other folders of it hit the same cache entries.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
fi
# No RPATH in what is installed: under /usr the library is found where the linker looks, and
# lintian refuses a custom search path. cpack strips the binaries.
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_RPATH=ON \
  -DK7_BUILD_TESTS=OFF -DK7_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target OrvelK7Controls OrvelK7ControlsDesigner k7 >/dev/null
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.lintian
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"

status=0
for deb in "$out"/*.deb; do
  echo "$deb"
  [ "${K7_PACKAGE_LINTIAN:-1}" = 0 ] && continue
  # Errors fail the run; warnings are printed for whoever reads the log (docs/deploy.md says
  # which are expected and why).
  lintian --tag-display-limit 0 "$deb" >"$deb.lintian" || true
  sed 's/^/  /' "$deb.lintian"
  if grep -q '^E:' "$deb.lintian"; then
    echo "lintian reports errors on $deb" >&2
    status=1
  fi
done
exit $status
