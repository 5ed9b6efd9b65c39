#!/bin/sh
# Runs a test program as an ordinary user. Root may open a serial port that
# another program holds exclusively, so as root the tests of a busy port and
# of reopening cannot fail; as nobody they can.
#   run-unprivileged.sh PROGRAM [ARGS...]
set -eu
skip=77
if [ "$(id -u)" != 0 ]; then
  echo "already running unprivileged: the ordinary run of the test covers this"
  exit $skip
fi
if ! command -v setpriv >/dev/null 2>&1 || ! id nobody >/dev/null 2>&1; then
  echo "needs setpriv and the user nobody to drop root"
  exit $skip
fi
as_nobody() { setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups env HOME=/tmp "$@"; }

program=$1
shift
# The build tree may lie where nobody cannot reach; then run a copy.
if ! as_nobody test -x "$program"; then
  copy=$(mktemp -d /tmp/quillon-unprivileged.XXXXXX)
  trap 'rm -rf "$copy"' EXIT
  cp "$program" "$copy/"
  chmod -R a+rX "$copy"
  program="$copy/$(basename "$program")"
fi
cd /tmp
as_nobody "$program" "$@"
