#!/usr/bin/env bash
# Runs a cross-built Windows test program under wine64, headless, in a
# throwaway prefix. Exit 77 tells CTest the test was skipped.
set -u
if [ $# -lt 1 ]; then
  echo "usage: wine-run.sh PROGRAM.exe [ARGS...]" >&2
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
export DISPLAY=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="${TMPDIR:-/tmp}/quillon-wine-$(id -u)"
fi
mkdir -p "$WINEPREFIX"
# A first start fills the prefix; later runs reuse it.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
"$wine" "$@"
status=$?
exit $status
