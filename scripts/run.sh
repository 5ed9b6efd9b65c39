#!/usr/bin/env bash
# Sets up, builds and starts Quillon.
#   scripts/run.sh                   start Quillon on this machine's ports
#   scripts/run.sh --with-simulator  start it with the scanner simulator on a
#                                    pseudo-terminal: press "Login", then "Abrir";
#                                    a sample card or barcode arrives every few seconds
# Any other arguments go to Quillon (for example --port /dev/ttyUSB0).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"

simulate=0
args=()
for a in "$@"; do
  if [ "$a" = "--with-simulator" ]; then simulate=1; else args+=("$a"); fi
done

"$top/scripts/setup.sh" "$top/scripts/run-packages.txt"
# The test suite needs more than the run set installs, so it is left out.
BUILD_TARGETS="quillon quillon-scanner-sim" "$top/scripts/build.sh" "$build" -DBUILD_TESTING=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run this from a desktop session (or set DISPLAY)." >&2
  exit 1
fi

workdir="${QUILLON_WORKDIR:-$top}"   # Config.ini is kept in the working directory
cd "$workdir"
if [ $simulate -eq 1 ]; then
  link="${TMPDIR:-/tmp}/quillon-scanner-$(id -u)"
  "$build/sim/quillon-scanner-sim" --link "$link" --send mrz,long,barcode --repeat 5 &
  sim=$!
  trap 'kill $sim 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  "$build/app/quillon" --port "$link" ${args[@]+"${args[@]}"}
else
  exec "$build/app/quillon" ${args[@]+"${args[@]}"}
fi
