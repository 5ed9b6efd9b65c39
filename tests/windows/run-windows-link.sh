#!/usr/bin/env bash
# Runs the link checks of a Windows build (windows_link_checks.exe) under
# Wine, in a prefix of its own, with COM ports linked to the scanner
# simulator's pseudo-terminals in the prefix's dosdevices folder:
#   COM3  a scanner that sends a barcode once it has been identified
#   COM4  a port that another program holds
#   COM6  a scanner whose cable is pulled a second after the port is opened,
#         and plugged in again a second later
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
"$sim" --link "$work/unplugged" --unplug-after 1 --replug-after 1 & pids+=($!)
for _ in $(seq 100); do
  [ -e "$work/scanner" ] && [ -e "$work/held" ] && [ -e "$work/unplugged" ] && break
  sleep 0.1
done
"$holder" "$work/held" > "$work/holder.out" & pids+=($!)
for _ in $(seq 100); do grep -q held "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
grep -q held "$work/holder.out" || { echo "the port holder could not hold the port"; exit 1; }

# Linked before the prefix is made, so that Wine lists them as it does the
# machine's own ports.
mkdir -p "$WINEPREFIX/dosdevices"
ln -s "$work/scanner" "$WINEPREFIX/dosdevices/com3"
ln -s "$work/held" "$WINEPREFIX/dosdevices/com4"
ln -s "$work/unplugged" "$WINEPREFIX/dosdevices/com6"

QUILLON_COM_SCANNER=COM3 QUILLON_COM_HELD=COM4 QUILLON_COM_UNPLUGGED=COM6 QUILLON_COM_MISSING=COM9 \
  "$wine_run" "$exe"
