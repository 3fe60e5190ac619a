#!/bin/sh
# Configures and builds into build/ (programs in build/bin/).
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZEPHRA_SIM_FALLBACK=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" "$@"
