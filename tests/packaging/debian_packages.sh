#!/usr/bin/env bash
# The Debian packages built from this source tree by scripts/package.sh: each holds what it must and
# nothing another package holds, the packages name each other at this exact version and take the
# rest from dpkg-shlibdeps, and k7 runs from the unpacked packages. Nothing is installed into this
# machine's system: the packages are unpacked with dpkg-deb -x into a folder of the test.
# No grep -q after a pipe: with pipefail, the writer it leaves early would fail the check.
set -euo pipefail
source_dir=$1 work=$2
debs="$work/debs" unpacked="$work/root"
rm -rf "$debs" "$unpacked" && mkdir -p "$debs" "$unpacked"
# The build is package.sh's own (build/package, kept between runs): at the depth of the presets'
# build folders, so a ccache filled by the default build serves it, and a second run only relinks.
K7_PACKAGE_LINTIAN=0 "$source_dir/scripts/package.sh" "$debs" >/dev/null

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
deb_of() { ls "$debs/$1"_*.deb 2>/dev/null | head -n1; }

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
lib=usr/lib/$multiarch
# package | a path it holds ("path -> target" for a link), each in that package and no other
expected="
liborvelk7controls12    | $lib/libOrvelK7Controls.so.12.0
liborvelk7controls12    | $lib/libOrvelK7Controls.so.12 -> libOrvelK7Controls.so.12.0
liborvelk7controls12    | usr/share/doc/liborvelk7controls12/copyright
liborvelk7controls-dev  | $lib/libOrvelK7Controls.so -> libOrvelK7Controls.so.12
liborvelk7controls-dev  | usr/include/OrvelK7Controls/OrvelK7Controls.h
liborvelk7controls-dev  | usr/include/OrvelK7Controls/orvelk7controls_export.h
liborvelk7controls-dev  | usr/include/OrvelK7Controls/controls/prodcode/ProdCode.h
liborvelk7controls-dev  | $lib/cmake/OrvelK7Controls/OrvelK7ControlsConfig.cmake
liborvelk7controls-dev  | $lib/cmake/OrvelK7Controls/OrvelK7ControlsConfigVersion.cmake
liborvelk7controls-dev  | $lib/cmake/OrvelK7Controls/OrvelK7ControlsTargets.cmake
liborvelk7controls-dev  | usr/share/doc/liborvelk7controls-dev/copyright
orvelk7-designer-plugin | $lib/qt6/plugins/designer/libOrvelK7ControlsDesigner.so
orvelk7-designer-plugin | usr/share/doc/orvelk7-designer-plugin/copyright
orvelk7-terminal        | usr/bin/k7
orvelk7-terminal        | usr/share/orvelk7/line-terminal.ui
orvelk7-terminal        | lib/systemd/system/orvelk7-terminal.service
orvelk7-terminal        | etc/orvelk7/terminal.conf
orvelk7-terminal        | usr/share/doc/orvelk7-terminal/deploy.md
orvelk7-terminal        | usr/share/doc/orvelk7-terminal/copyright
"
for package in liborvelk7controls12 liborvelk7controls-dev orvelk7-designer-plugin orvelk7-terminal; do
  [ -n "$(deb_of "$package")" ] || fail "no package $package"
done
while IFS='|' read -r package path; do
  package=$(echo "$package" | xargs) path=$(echo "$path" | xargs)
  [ -n "$package" ] || continue
  for deb in "$debs"/*.deb; do
    holder=$(dpkg-deb -f "$deb" Package)
    # dpkg-deb -c: permissions owner size date time ./path [-> target]
    if dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.\///' | grep -xF "$path" >/dev/null; then
      [ "$holder" = "$package" ] || fail "$path is in $holder, not only in $package"
    elif [ "$holder" = "$package" ]; then
      fail "$package lacks $path"
    fi
  done
done <<<"$expected"

# package | control field | what it holds (grep -E)
fields="
liborvelk7controls-dev  | Depends   | (^|, )liborvelk7controls12 \(= [0-9.]+-1\)
orvelk7-designer-plugin | Depends   | (^|, )liborvelk7controls12 \(= [0-9.]+-1\)
orvelk7-designer-plugin | Depends   | libqt6widgets6
orvelk7-terminal        | Depends   | libqt6widgets6
orvelk7-terminal        | Depends   | libsystemd0
orvelk7-terminal        | Depends   | libcurl
liborvelk7controls12    | Depends   | libqt6widgets6
liborvelk7controls12    | Depends   | libc6 \(>= 
"
while IFS='|' read -r package field pattern; do
  package=$(echo "$package" | xargs) field=$(echo "$field" | xargs) pattern=$(echo "$pattern" | sed 's/^ *//; s/ *$//')
  [ -n "$package" ] || continue
  value=$(dpkg-deb -f "$(deb_of "$package")" "$field")
  echo "$value" | grep -E "$pattern" >/dev/null || fail "$package $field '$value' lacks /$pattern/"
done <<<"$fields"

# The example configuration survives upgrades; the library tells ldconfig and dpkg-shlibdeps of it.
dpkg-deb -I "$(deb_of orvelk7-terminal)" conffiles | grep -x /etc/orvelk7/terminal.conf >/dev/null ||
  fail "orvelk7-terminal: /etc/orvelk7/terminal.conf is no conffile"
dpkg-deb -I "$(deb_of liborvelk7controls12)" shlibs | grep "^libOrvelK7Controls 12 liborvelk7controls12" >/dev/null ||
  fail "liborvelk7controls12 has no shlibs entry"

for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$unpacked"; done
export LD_LIBRARY_PATH="$unpacked/$lib"
"$unpacked/usr/bin/k7" terminal --help | grep -- "--config FILE" >/dev/null || fail "the unpacked k7 does not run"
# The plugin finds the library through its SONAME link, here the unpacked one.
ldd "$unpacked/$lib/qt6/plugins/designer/libOrvelK7ControlsDesigner.so" |
  grep -F "libOrvelK7Controls.so.12 => $unpacked/$lib/libOrvelK7Controls.so.12" >/dev/null ||
  fail "the unpacked plugin does not load the unpacked library"

[ $failures -eq 0 ] || exit 1
echo "$(ls "$debs"/*.deb | wc -l) packages hold what they must; the unpacked k7 runs"
