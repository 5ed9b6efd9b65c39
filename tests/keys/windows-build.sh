# Sourced by the Windows test runners. build_windows_program OUT SOURCES...
# cross-builds the typing rules and the Windows keyboard with mingw-w64 (no
# Qt), with the given test sources. Exits 77 (skipped) without the compiler.
windows_compiler=x86_64-w64-mingw32-g++

build_windows_program() {
  local out=$1 capture="$source_dir/capture"
  shift
  if ! command -v "$windows_compiler" >/dev/null 2>&1; then
    echo "SKIP: $windows_compiler is not installed (apt-get install mingw-w64)" >&2
    exit 77
  fi
  mkdir -p "$(dirname "$out")"
  "$windows_compiler" -std=c++17 -static -O1 -Wall -Wextra \
    -I "$capture" -I "$source_dir/tests/keys" \
    "$capture/altcode.cpp" "$capture/keyboarddevice.cpp" "$capture/keyboard_windows.cpp" \
    "$capture/keyinjector.cpp" "$capture/recordingkeyboard.cpp" "$capture/uslayout.cpp" \
    "$capture/windows1252.cpp" "$capture/windowsinput_user32.cpp" \
    "$@" -luser32 -o "$out"
}
