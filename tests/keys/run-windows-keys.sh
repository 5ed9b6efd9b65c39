#!/usr/bin/env bash
# Cross-builds the typing rules, the Windows keyboard and their checks with
# mingw-w64 (no Qt) and runs them under wine. Exit 77: skipped.
set -u
source_dir=$1
work_dir=$2
compiler=x86_64-w64-mingw32-g++
if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "SKIP: $compiler is not installed (apt-get install mingw-w64)" >&2
  exit 77
fi
mkdir -p "$work_dir"
exe="$work_dir/keys_windows.exe"
"$compiler" -std=c++17 -static -O1 -Wall -Wextra \
  -I "$source_dir/capture" -I "$source_dir/tests/keys" \
  "$source_dir/capture/keyboarddevice.cpp" \
  "$source_dir/capture/keyinjector.cpp" \
  "$source_dir/capture/recordingkeyboard.cpp" \
  "$source_dir/capture/keyboard_windows.cpp" \
  "$source_dir/tests/keys/injectorcases.cpp" \
  "$source_dir/tests/keys/keys_windows_main.cpp" \
  -luser32 -o "$exe" || exit 1
exec "$source_dir/tests/wine-run.sh" "$exe"
