#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once as built for use, once
# with AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build
# under Wine. Tests that need a real X display get an Xvfb server started
# here; the others run offscreen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$top/scripts/setup.sh" "$top/scripts/packages.txt" "$top/scripts/run-packages.txt"

. "$top/scripts/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb

export WINEPREFIX="$top/build/wine-prefix"
export QUILLON_SOURCE_DIR="$top"

# Quillon for Windows: the static Qt for it (built once, then taken from its
# cache), Quillon.exe and the Windows tests, whose unit tests run here under
# Wine; the Linux build below runs the Wine tests of Quillon.exe and of its
# serial port against the simulator.
"$top/scripts/build-windows.sh" "$top/build-windows" >/dev/null
(cd "$top/build-windows" && ctest -j"$jobs" --output-on-failure --timeout 600)

"$top/scripts/build.sh" "$top/build" -DBUILD_TESTING=ON -DQUILLON_WINDOWS_BUILD="$top/build-windows"
(cd "$top/build" && ctest -j"$jobs" --output-on-failure --timeout 600)

"$top/scripts/build.sh" "$top/build-asan" -DBUILD_TESTING=ON -DQUILLON_SANITIZE=ON
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest -j"$jobs" --output-on-failure --timeout 600 -LE nosan)

# Talvex built with clang as well: the library and its own tests, once (the
# DLLs and the 32-bit word copies are the GCC builds' business).
CC=clang CXX=clang++ BUILD_TARGETS=talvex-tests "$top/scripts/build.sh" "$top/build-clang" -DBUILD_TESTING=ON
(cd "$top/build-clang" && ctest -j"$jobs" --output-on-failure --timeout 600 -L talvex \
  -E '^talvex_(dll|wine|windows)|_words$')
