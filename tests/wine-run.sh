#!/usr/bin/env bash
# Runs a cross-built Windows test program under wine64 in a reused prefix.
# Headless unless --display is given (then on $DISPLAY, for programs with
# windows); --locale NAME runs it in that locale, which sets Wine's code
# page. Exit 77 tells CTest the test was skipped.
set -u
keep_display=""
locale=""
while [ $# -gt 0 ]; do
  case "$1" in
    --display) keep_display=1; shift ;;
    --locale) locale=$2; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: wine-run.sh [--display] [--locale NAME] PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$(command -v "$candidate"); break; fi
done
if [ -z "$wine" ]; then
  echo "SKIP: wine64 is not installed (apt-get install wine64)" >&2
  exit 77
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "$keep_display" ] || export DISPLAY=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="${TMPDIR:-/tmp}/quillon-wine-$(id -u)"
fi
mkdir -p "$WINEPREFIX"
# A first start fills the prefix; later runs reuse it.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
if [ -n "$locale" ]; then
  LC_ALL=$locale LANG=$locale "$wine" "$@"
else
  "$wine" "$@"
fi
