#!/usr/bin/env bash
# Measures how fast a scanned block becomes typing, and Quillon's CPU use
# while idle with the link open (about two minutes), under a private Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" -DBUILD_TESTING=ON
. "$top/scripts/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb
"$top/build/tests/e2e/bench-receive"
