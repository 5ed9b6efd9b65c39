#!/usr/bin/env bash
# Makes the Debian packages from the build with scripts/package.sh (nothing
# is built here), lists their contents and control fields, has lintian check
# them (no errors, and none of the tags a reviewer reads first: hardening,
# stripping, ldconfig, licence) and checks what a user's apt relies on: the
# program's dependencies as dpkg-shlibdeps found them plus the font, the
# library's shlibs and symbols, the development package tied to its library,
# the Debian revision, Multi-Arch, one ldconfig run and an Installed-Size as
# dpkg counts it.
# usage: check_packages.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -u
build=$1 src=$2 work=$3
for tool in lintian dpkg-deb dpkg-shlibdeps dpkg-gensymbols readelf; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh)"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work"
QUILLON_PACKAGE_NO_BUILD=1 "$src/scripts/package.sh" "$build" "$work" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; exit 1; }

status=0
fail() { echo "FAIL: $*"; status=1; }
arch=$(dpkg --print-architecture)
upstream=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
version=$upstream-1

for pkg in quillon libtalvex1 libtalvex-dev; do
  deb="$work/${pkg}_${version}_$arch.deb"
  if [ ! -f "$deb" ]; then fail "no package $pkg"; continue; fi
  echo "== $(basename "$deb"): $(stat -c %s "$deb") bytes"
  dpkg-deb --field "$deb" Package Version Section Multi-Arch Installed-Size Depends Recommends
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
for pkg in libtalvex1 libtalvex-dev; do
  [ "$(field $pkg Multi-Arch)" = same ] || fail "$pkg is not Multi-Arch: same"
done
[ "$(field quillon Multi-Arch)" = no ] || fail "quillon says Multi-Arch $(field quillon Multi-Arch), but a program is installed once"

for pkg in quillon libtalvex1 libtalvex-dev; do
  deb="$work/${pkg}_${version}_$arch.deb"
  [ "$(field $pkg Version)" = "$version" ] || fail "$pkg has version '$(field $pkg Version)', not $version"
  dpkg-deb --raw-extract "$deb" "$work/$pkg"
  # Installed-Size as dpkg-gencontrol counts it: files and symbolic links in
  # whole KiB, every directory (the top one too) as one.
  counted=$(cd "$work/$pkg" && find . -path ./DEBIAN -prune -o -printf '%y %s\n' |
    awk '$1 == "f" || $1 == "l" { kib += int(($2 + 1023) / 1024); next } { kib += 1 } END { print kib }')
  [ "$(field $pkg Installed-Size)" = "$counted" ] ||
    fail "$pkg says Installed-Size $(field $pkg Installed-Size), its files take $counted KiB"
  # Hardened and stripped as Debian builds: read-only relocations bound at
  # start, and no compiler notes.
  while read -r elf; do
    name=${elf#"$work/$pkg"}
    readelf -lW "$elf" | grep -q GNU_RELRO || fail "$name has no read-only relocations"
    readelf -dW "$elf" | grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW|\(BIND_NOW\)' || fail "$name is not bound at start"
    ! readelf -SW "$elf" | grep -q ' \.comment ' || fail "$name keeps its .comment section"
  done < <(find "$work/$pkg" -path "$work/$pkg/DEBIAN" -prune -o -type f -exec sh -c \
             'head -c4 "$1" | grep -q ELF' sh {} \; -print)
done

# ldconfig runs once, by the trigger: no maintainer script calls it again.
control="$work/libtalvex1/DEBIAN"
grep -qx 'activate-noawait ldconfig' "$control/triggers" || fail "libtalvex1 does not trigger ldconfig"
for script in preinst postinst prerm postrm; do
  [ ! -e "$control/$script" ] || fail "libtalvex1 ships a $script: $(tr '\n' ' ' <"$control/$script")"
done
grep -qx "libtalvex 1 libtalvex1 (>= $version)" "$control/shlibs" ||
  fail "libtalvex1 has no shlibs entry for libtalvex.so.1"
grep -qx '\* Build-Depends-Package: libtalvex-dev' "$control/symbols" ||
  fail "the symbols file does not name libtalvex-dev as the build dependency"

# The symbols file names exactly the library's exports.
(cd "$work" && dpkg-gensymbols -plibtalvex1 -v"$upstream" -P"$work/libtalvex1" \
   -I"$control/symbols" -c4 -O"$work/symbols.found") ||
  fail "the symbols file of libtalvex1 differs from the library's exports"

for pkg in quillon libtalvex1 libtalvex-dev; do
  grep -qx 'License: Apache-2.0' "$work/$pkg/usr/share/doc/$pkg/copyright" ||
    fail "$pkg's copyright file does not give the Apache-2.0 licence"
done

lintian --display-info --tag-display-limit 0 "$work"/*.deb >"$work/lintian.log" 2>&1
sed 's/^/    lintian: /' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
reviewed='hardening-no-[a-z-]*|binary-has-unneeded-section|maintscript-calls-ldconfig|'
reviewed+='package-has-unnecessary-activation-of-ldconfig-trigger|[a-z-]*multi-arch[a-z-]*|'
reviewed+='symbols-file-missing-build-depends-package-field|[a-z-]*copyright[a-z-]*|[a-z-]*license[a-z-]*|'
reviewed+='debian-revision[a-z-]*|[a-z-]*native[a-z-]*'
if grep -Eq "^[EWI]: [^ ]+: ($reviewed)( |\$)" "$work/lintian.log"; then
  fail "lintian reports: $(grep -Eo "^[EWI]: [^ ]+: ($reviewed)( |\$)" "$work/lintian.log" | sort -u | tr '\n' ' ')"
fi

[ $status -eq 0 ] && echo "packages built; lintian reports no errors"
exit $status
