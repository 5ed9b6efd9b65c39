#!/usr/bin/env bash
# Builds the Debian packages (quillon, libtalvex1, libtalvex-dev), the
# Talvex kit for Windows, and Quillon's Windows installer and portable zip
# from the build folder given (default: build/, built first; Quillon.exe from
# build-windows/ beside it, built first by scripts/build-windows.sh, whose
# first run cross-builds Qt and takes long), into the output folder given
# (default: that build folder's packages/). QUILLON_PACKAGE_NO_BUILD=1
# packages what is built, and leaves the Windows installer and zip out when
# there is no Quillon.exe.
# Installs what that needs first: the kit's cross-compilers and llvm's
# dlltool come with the test set, not with what run.sh installs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$top/build}")
out=$(realpath -m "${2:-$build/packages}")

windows="$(dirname "$build")/build-windows"
if [ "${QUILLON_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  "$top/scripts/setup.sh" "$top/scripts/packages.txt" "$top/scripts/run-packages.txt"
  BUILD_TARGETS="quillon quillon-scanner-sim talvex talvex-windows-kit debian-changelog manual-pages" \
    "$top/scripts/build.sh" "$build"
  "$top/scripts/build-windows.sh" "$windows" >/dev/null
fi
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out/cpack" >/dev/null)
mv "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"
kit=$(find "$build/talvex/kit" -maxdepth 1 -name 'Talvex-*-windows.zip' 2>/dev/null | head -n 1)
[ -n "$kit" ] && cp "$kit" "$out"/

if [ -f "$windows/Quillon.exe" ] || [ "${QUILLON_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  "$top/scripts/package-windows.sh" "$windows/Quillon.exe" "$out" >/dev/null
else
  echo "no $windows/Quillon.exe: the Windows installer and zip are left out" >&2
fi
ls -l "$out"
