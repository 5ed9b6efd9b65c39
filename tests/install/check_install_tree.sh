#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR under the prefix /usr and checks
# the tree as a desktop and a developer meet it: every file in place, the
# desktop entry and the AppStream file valid, libtalvex.so.1 as the SONAME,
# a caller built once through pkg-config and once through
# find_package(Talvex) that round-trips a message through the installed
# library, and the README's own example built and run as it says, with a
# key record made by its recipe.
# usage: check_install_tree.sh BUILD_DIR SOURCE_DIR WORK_DIR LIBDIR (below the prefix)
set -u
build=$1 src=$2 work=$3 libdir=usr/$4
for tool in desktop-file-validate appstreamcli pkg-config readelf c++ cc openssl python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh)"; exit 77; }
done
root="$work/root"
rm -rf "$work" && mkdir -p "$work"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" || { cat "$work/install.log"; exit 1; }

status=0
fail() { echo "FAIL: $*"; status=1; }

expected="usr/bin/quillon
usr/bin/quillon-scanner-sim
usr/share/applications/quillon.desktop
usr/share/metainfo/invalid.quillon.Quillon.metainfo.xml
usr/share/icons/hicolor/scalable/apps/quillon.svg
usr/share/man/man1/quillon.1.gz
usr/share/man/man1/quillon-scanner-sim.1.gz
usr/include/talvex.h
$libdir/libtalvex.so.1
$libdir/libtalvex.so
$libdir/pkgconfig/talvex.pc
$libdir/cmake/Talvex/TalvexConfig.cmake
$libdir/cmake/Talvex/TalvexConfigVersion.cmake
$libdir/cmake/Talvex/TalvexTargets.cmake"
for size in 16 32 48 64 128; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/quillon.png"
done
for pkg in quillon libtalvex1 libtalvex-dev; do
  expected+=$'\n'"usr/share/doc/$pkg/copyright"$'\n'"usr/share/doc/$pkg/changelog.Debian.gz"
done
while read -r f; do
  [ -e "$root/$f" ] || fail "missing from the installed tree: /$f"
done <<<"$expected"

desktop-file-validate "$root/usr/share/applications/quillon.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/invalid.quillon.Quillon.metainfo.xml" ||
  fail "AppStream metadata"

lib="$root/$libdir/libtalvex.so.1"
soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libtalvex.so.1" ] || fail "SONAME is '$soname', not libtalvex.so.1"
[ "$(readlink "$root/$libdir/libtalvex.so")" = "libtalvex.so.1" ] || fail "libtalvex.so does not point at libtalvex.so.1"

keys="$src/tests/talvex/platform"
caller="$src/tests/install/talvex_caller.cpp"
export LD_LIBRARY_PATH="$root/$libdir"

# pkg-config: the sysroot puts the DESTDIR in front of the paths the file names.
flags=$(PKG_CONFIG_PATH="$root/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$root" PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 \
  pkg-config --cflags --libs talvex) || fail "pkg-config does not know talvex"
echo "pkg-config --cflags --libs talvex: $flags"
# shellcheck disable=SC2086
if c++ -std=c++17 -I"$keys" -o "$work/caller-pkgconfig" "$caller" $flags; then
  needed=$(readelf -d "$work/caller-pkgconfig" | sed -n 's/.*(NEEDED).*\[\(libtalvex.*\)\]/\1/p')
  [ "$needed" = "libtalvex.so.1" ] || fail "the pkg-config caller needs '$needed', not libtalvex.so.1"
  "$work/caller-pkgconfig" || fail "round trip of the pkg-config caller"
else
  fail "the pkg-config caller does not build"
fi

# The README's example: the C program, the key recipe and the build command,
# taken from its fenced blocks in order.
example="$work/readme-example"
mkdir -p "$example"
awk '/^```c$/ { on = 1; next } /^```$/ { on = 0 } on' "$src/README.md" >"$example/seal.c"
awk -v dir="$example" '/^```sh$/ { on = 1; n++; next } /^```$/ { on = 0 } on { print > (dir "/step" n ".sh") }' "$src/README.md"
if (cd "$example" && sh step1.sh && [ "$(stat -c %s key.bin)" -eq 1412 ]) >"$example/log" 2>&1 &&
   (cd "$example" && PKG_CONFIG_PATH="$root/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$root" \
      PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 sh -e step2.sh) >"$example/out" 2>>"$example/log"; then
  grep -qx "card 0042" "$example/out" || fail "the README's example printed '$(cat "$example/out")'"
else
  cat "$example/log"
  fail "the README's example does not build or run as the README says"
fi

if cmake -S "$src/tests/install/cmake-caller" -B "$work/cmake-caller" -DCMAKE_PREFIX_PATH="$root/usr" \
     -DCALLER_SOURCE="$caller" -DKEY_HEADER_DIR="$keys" >"$work/cmake-caller.log" 2>&1 &&
   cmake --build "$work/cmake-caller" >>"$work/cmake-caller.log" 2>&1; then
  grep -q "Talvex_DIR:PATH=$root/$libdir/cmake/Talvex" "$work/cmake-caller/CMakeCache.txt" ||
    fail "find_package(Talvex) found another copy than the installed one"
  "$work/cmake-caller/talvex-caller" || fail "round trip of the find_package caller"
else
  cat "$work/cmake-caller.log"
  fail "the find_package caller does not build"
fi

[ $status -eq 0 ] && echo "installed tree complete; desktop entry and metadata valid; both callers and the README's example round-trip"
exit $status
