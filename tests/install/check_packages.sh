#!/usr/bin/env bash
# Makes the Debian packages from the build with scripts/package.sh (nothing
# is built here), lists their contents and control fields, has lintian check
# them (no errors allowed) and checks what a user's apt relies on: the
# program's dependencies as dpkg-shlibdeps found them plus the font, the
# library's shlibs, and the development package tied to its library.
# usage: check_packages.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -u
build=$1 src=$2 work=$3
for tool in lintian dpkg-deb dpkg-shlibdeps dpkg-gensymbols; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh)"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work"
QUILLON_PACKAGE_NO_BUILD=1 "$src/scripts/package.sh" "$build" "$work" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; exit 1; }

status=0
fail() { echo "FAIL: $*"; status=1; }
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")

for pkg in quillon libtalvex1 libtalvex-dev; do
  deb="$work/${pkg}_${version}_$arch.deb"
  if [ ! -f "$deb" ]; then fail "no package $pkg"; continue; fi
  echo "== $(basename "$deb"): $(stat -c %s "$deb") bytes"
  dpkg-deb --field "$deb" Package Version Section Depends Recommends
  dpkg-deb --contents "$deb" | awk '$6 !~ /\/$/ {print "   ", $3, $6, $7, $8}'
done

field() { dpkg-deb --field "$work/${1}_${version}_$arch.deb" "$2" 2>/dev/null; }
depends=$(field quillon Depends)
for dep in libqt5widgets5 libqt5serialport5 libxtst6 libc6 fonts-wqy-microhei; do
  [[ "$depends" == *"$dep"* ]] || fail "quillon does not depend on $dep: $depends"
done
[ "$(field quillon Recommends)" = "qtwayland5" ] || fail "quillon does not recommend qtwayland5"
[ "$(field quillon Section)" = "utils" ] || fail "quillon is not in section utils"
[ "$(field libtalvex1 Section)" = "libs" ] || fail "libtalvex1 is not in section libs"
[ "$(field libtalvex-dev Section)" = "libdevel" ] || fail "libtalvex-dev is not in section libdevel"
[ "$(field libtalvex-dev Depends)" = "libtalvex1 (= $version)" ] || fail "libtalvex-dev is not tied to libtalvex1 $version"
[[ "$(field libtalvex1 Depends)" == libc6* ]] || fail "libtalvex1 depends on more than the C library"
dpkg-deb --ctrl-tarfile "$work/libtalvex1_${version}_$arch.deb" | tar -xO ./shlibs 2>/dev/null |
  grep -qx "libtalvex 1 libtalvex1 (>= $version)" || fail "libtalvex1 has no shlibs entry for libtalvex.so.1"

# The symbols file names exactly the library's exports.
dpkg-deb --raw-extract "$work/libtalvex1_${version}_$arch.deb" "$work/libtalvex1"
(cd "$work" && dpkg-gensymbols -plibtalvex1 -v"$version" -P"$work/libtalvex1" \
   -I"$work/libtalvex1/DEBIAN/symbols" -c4 -O"$work/symbols.found") ||
  fail "the symbols file of libtalvex1 differs from the library's exports"

lintian --tag-display-limit 0 "$work"/*.deb >"$work/lintian.log" 2>&1
sed 's/^/    lintian: /' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi

[ $status -eq 0 ] && echo "packages built; lintian reports no errors"
exit $status
