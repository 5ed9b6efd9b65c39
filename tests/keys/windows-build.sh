# Sourced by the Windows test runners. build_windows_program OUT SOURCES...
# cross-builds the typing rules and the Windows keyboard with mingw-w64 (no
# Qt), with the given test sources. Exits 77 (skipped) without the compiler.
windows_compiler=x86_64-w64-mingw32-g++

build_windows_program() {
  local out=$1 keys="$source_dir/keys"
  shift
  if ! command -v "$windows_compiler" >/dev/null 2>&1; then
    echo "SKIP: $windows_compiler is not installed (apt-get install mingw-w64)" >&2
    exit 77
  fi
  mkdir -p "$(dirname "$out")"
  "$windows_compiler" -std=c++17 -static -O1 -Wall -Wextra \
    -I "$keys" -I "$keys/windows" -I "$source_dir/tests/keys" \
    "$keys/altcode.cpp" "$keys/keyboarddevice.cpp" "$keys/windows/keyboard_windows.cpp" \
    "$keys/keyinjector.cpp" "$keys/recordingkeyboard.cpp" "$keys/uslayout.cpp" \
    "$keys/windows1252.cpp" "$keys/windows/windowsinput_user32.cpp" \
    "$@" -luser32 -o "$out"
}
