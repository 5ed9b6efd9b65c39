#!/usr/bin/env bash
# Measures how Quillon takes in what the scanner sends (how fast a card
# becomes typing, reads close together or in an adapter's bursts, closing
# while the line never falls quiet) and its CPU use while idle with the link
# open, under a private Xvfb (about five minutes). --quillon PATH measures
# another build of Quillon with the same harness.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" -DBUILD_TESTING=ON
. "$top/scripts/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb
"$top/build/tests/e2e/bench-receive" "$@"
