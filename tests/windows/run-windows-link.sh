#!/usr/bin/env bash
# Runs the link checks of a Windows build (windows_link_checks.exe) under
# Wine, in a prefix of its own, with COM ports linked to the scanner
# simulator's pseudo-terminals in the prefix's dosdevices folder:
#   COM3  a scanner that sends a barcode once it has been identified
#   COM4  a port that another program holds
#   COM6  a scanner whose cable is pulled once the checks have identified
#         it, and plugged in again a second later
#   COM9  nothing
# Root may open a port that another program holds, so as root this runs
# itself again as nobody. Exit 77: skipped.
#   run-windows-link.sh WINDOWS_BUILD SIMULATOR PORT_HOLDER
set -u
windows_build=$1
sim=$2
holder=$3
here=$(cd "$(dirname "$0")" && pwd)
wine_run=${QUILLON_WINE_RUN:-$here/../wine-run.sh}
skip() { echo "SKIP: $*"; exit 77; }
# Bounds that end a hung Wine here, where the cleanup still runs.
prefix_seconds=120
checks_seconds=150
# How the simulator's output begins the line of its answer to the model query.
model_reply="31 00 16 00"

exe="$windows_build/tests/windows/windows_link_checks.exe"
[ -n "$windows_build" ] && [ -f "$exe" ] ||
  skip "no Windows build to test: scripts/build-windows.sh OUTDIR, then configure with -DQUILLON_WINDOWS_BUILD=OUTDIR"
command -v wineserver >/dev/null 2>&1 || skip "wine64 is not installed (apt-get install wine64)"

if [ "$(id -u)" = 0 ]; then
  if ! command -v setpriv >/dev/null 2>&1 || ! id nobody >/dev/null 2>&1; then
    skip "needs setpriv and the user nobody to drop root"
  fi
  # The build tree may lie where nobody cannot reach: it runs copies.
  copy=$(mktemp -d /tmp/quillon-windows-link.XXXXXX)
  trap 'rm -rf "$copy"' EXIT
  cp "$0" "$here/../wine-run.sh" "$sim" "$holder" "$copy/"
  mkdir -p "$copy/build/tests/windows"
  cp "$exe" "$copy/build/tests/windows/"
  chmod -R a+rX "$copy"
  setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME=/tmp QUILLON_WINE_RUN="$copy/wine-run.sh" \
    bash "$copy/$(basename "$0")" "$copy/build" "$copy/$(basename "$sim")" "$copy/$(basename "$holder")"
  exit $?
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-windows-link.XXXXXX")
export WINEPREFIX="$work/prefix"
pids=()
cleanup() {
  for pid in ${pids[@]+"${pids[@]}"}; do kill "$pid" 2>/dev/null; done
  wineserver -k >/dev/null 2>&1
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$sim" --link "$work/scanner" --send barcode --delay 0.5 & pids+=($!)
"$sim" --link "$work/held" & pids+=($!)
"$sim" --link "$work/unplugged" > "$work/unplugged.out" & unplugged=$!
pids+=($unplugged)
for _ in $(seq 100); do
  [ -e "$work/scanner" ] && [ -e "$work/held" ] && [ -e "$work/unplugged" ] && break
  sleep 0.1
done
"$holder" "$work/held" > "$work/holder.out" & pids+=($!)
for _ in $(seq 100); do grep -q held "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
grep -q held "$work/holder.out" || { echo "the port holder could not hold the port"; exit 1; }

# Wine makes the prefix's dosdevices folder as it makes the prefix, and
# would take a folder that is already there for a made prefix.
wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$(command -v "$candidate"); break; fi
done
WINEDEBUG=-all DISPLAY= timeout "$prefix_seconds" "$wine" wineboot --init >/dev/null 2>&1 ||
  { echo "wineboot could not make the prefix"; exit 1; }
ln -s "$work/scanner" "$WINEPREFIX/dosdevices/com3"
ln -s "$work/held" "$WINEPREFIX/dosdevices/com4"
ln -s "$work/unplugged" "$WINEPREFIX/dosdevices/com6"

# Without a console Qt writes test results to the debugger; Wine hands
# Qt's variables to Windows programs only under the prefix WINE.
WINEQT_FORCE_STDERR_LOGGING=1 \
QUILLON_COM_SCANNER=COM3 QUILLON_COM_HELD=COM4 QUILLON_COM_UNPLUGGED=COM6 QUILLON_COM_MISSING=COM9 \
  timeout "$checks_seconds" "$wine_run" "$exe" &
checks=$!

# The cable of COM6 is pulled when the checks have asked for the model
# there (the simulator ends, its pseudo-terminal hangs up), and plugged in
# again a second later: a new pseudo-terminal behind the same link.
for _ in $(seq "$((checks_seconds * 10))"); do
  grep -q "^answered $model_reply" "$work/unplugged.out" 2>/dev/null && break
  kill -0 "$checks" 2>/dev/null || break
  sleep 0.1
done
kill "$unplugged" 2>/dev/null
wait "$unplugged" 2>/dev/null
sleep 1
"$sim" --link "$work/unplugged" > "$work/replugged.out" & pids+=($!)
wait "$checks"
