#!/usr/bin/env bash
# Builds the Debian packages (quillon, libtalvex1, libtalvex-dev), the
# Talvex kit for Windows, and Quillon's Windows installer and portable zip
# from the build folder given (default: build/, built first), into the output
# folder given (default: that build folder's packages/). Quillon.exe comes
# from the Windows build in QUILLON_WINDOWS_BUILD (default: build-windows/),
# made first by scripts/build-windows.sh; the first one cross-builds Qt,
# which takes long. QUILLON_PACKAGE_NO_BUILD=1 packages what is built and
# leaves the Windows installer out when there is no Quillon.exe.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$top/build}")
out=$(realpath -m "${2:-$build/packages}")

if [ "${QUILLON_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  BUILD_TARGETS="quillon quillon-scanner-sim talvex talvex-windows-kit debian-changelog manual-pages" \
    "$top/scripts/build.sh" "$build"
fi
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out/cpack" >/dev/null)
mv "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"
kit=$(find "$build/talvex/kit" -maxdepth 1 -name 'Talvex-*-windows.zip' 2>/dev/null | head -n 1)
[ -n "$kit" ] && cp "$kit" "$out"/

windows_build=$(realpath -m "${QUILLON_WINDOWS_BUILD:-$top/build-windows}")
if [ "${QUILLON_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  "$top/scripts/build-windows.sh" "$windows_build" >/dev/null
fi
if [ -f "$windows_build/Quillon.exe" ] || [ "${QUILLON_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  "$top/scripts/package-windows.sh" "$windows_build/Quillon.exe" "$out" >/dev/null
else
  echo "no $windows_build/Quillon.exe: the Windows installer is left out" >&2
fi
ls -l "$out"
