#!/usr/bin/env bash
# Builds Quillon.exe and the Windows test programs into the folder given
# (default: build-windows/) with mingw-w64, against the static Qt for
# Windows that build-qt-windows.sh keeps in its cache (and builds first
# when it is missing). Quillon.exe lands at the top of that folder: one
# file, with no Qt DLLs beside it. Further CMake options may follow.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/build-windows}")
shift || true

qt=$("$top/scripts/build-qt-windows.sh")
cmake -S "$top" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DQUILLON_QT_WINDOWS="$qt" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON "$@" >/dev/null
cmake --build "$out" -j"$(nproc)"
ls -l "$out/Quillon.exe"
