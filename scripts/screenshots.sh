#!/usr/bin/env bash
# Pictures of the login window and the main window, taken under Xvfb, saved
# as build/screenshots/login.png and main.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" -DBUILD_TESTING=ON
. "$top/scripts/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb
"$top/build/tests/ui/quillon-screenshots" "$top/build/screenshots"
