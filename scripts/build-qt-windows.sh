#!/usr/bin/env bash
# Cross-builds a static Qt 5 for 64-bit Windows from Debian's own qtbase
# source with mingw-w64 (posix threads), once, into a cache folder outside
# every build tree named by the Qt version and a hash of the options, and
# prints that folder. A folder that is there is reused as it is: it only
# appears, by a rename, once the build and the install have succeeded.
#   QUILLON_QT_CACHE  the cache's parent folder (default ~/.cache/quillon)
#   QT_BUILD_JOBS     parallel jobs (default: the number of cores)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

qt_version=5.15.8
source_package=qtbase-opensource-src
cross=x86_64-w64-mingw32
jobs=${QT_BUILD_JOBS:-$(nproc)}

# Everything the scanner program needs, nothing more: Core, Gui, Widgets,
# Test and the Windows platform plugin. Debian's repacked source has no Wintab
# header, which the Windows plugin wants only for tablets.
options=(
  -opensource -confirm-license
  -static -release
  -xplatform win32-g++ -device-option CROSS_COMPILE=$cross-
  -no-opengl -no-dbus -no-icu
  -no-feature-sql -no-feature-network
  -qt-zlib -qt-libpng -qt-pcre -qt-harfbuzz
  -no-feature-tabletevent
  -nomake examples -nomake tests
)
hash=$(printf '%s\n' "$qt_version" "${options[@]}" | sha256sum | cut -c1-12)
cache_root=${QUILLON_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon}
prefix="$cache_root/qt-$qt_version-$hash"

if [ -f "$prefix/lib/cmake/Qt5/Qt5Config.cmake" ]; then
  echo "$prefix"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The compilers with posix threads (std::thread and std::mutex need them),
# first in PATH under the plain names that Qt's mkspec calls.
"$here/setup.sh" "$here/packages.txt" >&2
tools=$(mktemp -d)
scratch=""
cleanup() { rm -rf "$tools" ${scratch:+"$scratch"}; }
trap cleanup EXIT
for tool in gcc g++; do
  ln -s "$(command -v "$cross-$tool-posix")" "$tools/$cross-$tool"
done
export PATH="$tools:$PATH"

# A deb-src entry beside each Debian entry apt already has, in a file of its
# own, so that apt-get source finds Debian's Qt source.
add_source_entries() {
  local list=/etc/apt/sources.list.d/quillon-deb-src.sources
  [ -f "$list" ] && return 0
  local entries
  entries=$(
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      # One deb822 stanza per paragraph; keep the Debian ones, as deb-src.
      awk -v RS= -v ORS='\n\n' '/URIs:[^\n]*debian/ && /Types:[^\n]*deb/ {
          gsub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      # One-line entries: "deb [options] URI suite components...".
      awk '$1 == "deb" && /debian/ {
          opts = ""; i = 2
          if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
          uri = $i; suite = $(i + 1); comps = ""
          for (j = i + 2; j <= NF; j++) comps = comps " " $j
          signed = ""
          if (match(opts, /signed-by=[^] ]*/)) signed = "Signed-By: " substr(opts, RSTART + 10, RLENGTH - 10) "\n"
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n%s\n", uri, suite, comps, signed }' "$f"
    done
  )
  if [ -z "$entries" ]; then
    echo "no Debian archive entry in apt's sources to add a deb-src entry beside" >&2
    exit 1
  fi
  printf '%s\n' "$entries" | $sudo tee "$list" >/dev/null
}

if ! apt-get source --print-uris "$source_package" >/dev/null 2>&1; then
  add_source_entries
  $sudo apt-get -o DPkg::Lock::Timeout=1200 update -qq >&2
fi

mkdir -p "$cache_root"
scratch=$(mktemp -d "$cache_root/.qt-build.XXXXXX")
staging="$scratch/install"
(cd "$scratch" && apt-get source --only-source -qq "$source_package" >&2)
src=$(find "$scratch" -maxdepth 1 -type d -name 'qtbase-*' | head -n 1)
[ -n "$src" ] || { echo "apt-get source gave no qtbase folder" >&2; exit 1; }
grep -q "^MODULE_VERSION = $qt_version\$" "$src/.qmake.conf" ||
  { echo "the source is not Qt $qt_version" >&2; exit 1; }

mkdir "$scratch/build"
cd "$scratch/build"
log="$cache_root/qt-$qt_version-$hash.log"
echo "Building Qt $qt_version for Windows into $prefix (about a quarter of an hour on two cores; log: $log)" >&2
failed() {
  tail -n 40 "$log" >&2
  exit 1
}
# The prefix written into the build is the final folder: Qt's CMake files
# find themselves relative to where they lie, and qmake reads qt.conf.
"$src/configure" -prefix "$prefix" "${options[@]}" >"$log" 2>&1 || failed
make -j"$jobs" >>"$log" 2>&1 || failed
make install INSTALL_ROOT="$staging" >>"$log" 2>&1 || failed

# The install landed under the staging root at the final path; move it into
# place in one rename. A build that ran beside this one may have got there
# first: its Qt is as good.
mv "$staging$prefix" "$scratch/done"
[ -f "$prefix/lib/cmake/Qt5/Qt5Config.cmake" ] || rm -rf "$prefix"
mv -T "$scratch/done" "$prefix" 2>/dev/null || [ -f "$prefix/lib/cmake/Qt5/Qt5Config.cmake" ]
echo "$prefix"
