#!/usr/bin/env bash
# Configures and builds into the folder given (default: build/), with any
# further CMake options given after it. BUILD_TARGETS, when set, names the
# only targets to build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j"$(nproc)" ${targets[@]+"${targets[@]}"}
