#!/usr/bin/env bash
# CTest's emulator for the cross-built tests: runs a Windows program under
# Wine in a prefix of its own, made here and removed afterwards together with
# its Wine server. Exit 77: skipped.
set -u
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quillon-wine.XXXXXX")
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  rm -rf "$prefix"
}
trap cleanup EXIT
# Without a console, Qt sends test results and debug output to the
# debugger rather than to standard output. Wine hands Qt's variables to
# Windows programs only under the prefix WINE.
export WINEQT_FORCE_STDERR_LOGGING=1
WINEPREFIX=$prefix "$here/../wine-run.sh" "$@"
