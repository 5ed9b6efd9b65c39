#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once as built for use, once
# with AddressSanitizer and UndefinedBehaviorSanitizer. Tests that need a real
# X display get an Xvfb server started here; the others run offscreen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$top/scripts/setup.sh"

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT

# A private X server. -noreset keeps the keymap when the last client leaves.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then export DISPLAY=":$n"; return 0; fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}
start_xvfb

export WINEPREFIX="$top/build/wine-prefix"
export QUILLON_SOURCE_DIR="$top"

"$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest -j"$jobs" --output-on-failure --timeout 600)

"$top/scripts/build.sh" "$top/build-asan" -DQUILLON_SANITIZE=ON
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest -j"$jobs" --output-on-failure --timeout 600 -LE nosan)
