#!/usr/bin/env bash
# Runs the Windows round trip under wine64 from the folder that holds it and
# its copy of Talvex.dll; skips when it could not be cross-built.
# usage: run_wine_roundtrip.sh PROGRAM.exe
set -u
exe=$1
if [ ! -f "$exe" ]; then
  echo "SKIP: $exe was not built (the mingw-w64 cross compiler is missing)"
  exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
cd "$(dirname "$exe")" || exit 1
exec "$here/../../wine-run.sh" "./$(basename "$exe")"
