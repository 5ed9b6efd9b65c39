#!/usr/bin/env bash
# Cross-builds the typing rules, the Windows keyboard and their checks with
# mingw-w64 (no Qt) and runs them under wine. Exit 77: skipped.
set -u
source_dir=$1
work_dir=$2
. "$source_dir/tests/keys/windows-build.sh"
exe="$work_dir/keys_windows.exe"
build_windows_program "$exe" "$source_dir/tests/keys/injectorcases.cpp" \
  "$source_dir/tests/keys/keys_windows_main.cpp" || exit 1
exec "$source_dir/tests/wine-run.sh" "$exe"
