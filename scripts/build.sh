#!/bin/sh
# Configures and builds into build/ (programs in build/bin/).
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
# A build folder copied or moved from elsewhere (or a moved source tree) keeps CMake caches
# that name the old places: drop them (the Wine prefix stays) and configure afresh.
if [ -f "$BUILD/CMakeCache.txt" ]; then
    made_in="$(sed -n 's/^CMAKE_CACHEFILE_DIR:INTERNAL=//p' "$BUILD/CMakeCache.txt")"
    made_from="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$BUILD/CMakeCache.txt")"
    here="$(cd "$BUILD" && pwd -P)"
    if [ "$(cd "$made_in" 2>/dev/null && pwd -P)" != "$here" ] || [ "$(cd "$made_from" 2>/dev/null && pwd -P)" != "$(cd "$ROOT" && pwd -P)" ]; then
        echo "build: $BUILD was configured as $made_in for the sources in $made_from; configuring it again here (a full build)" >&2
        find "$BUILD" -path "$BUILD/wineprefix" -prune -o \
            \( -name CMakeCache.txt -o -name CMakeFiles -o -name '*-prefix' \) -prune -exec rm -rf {} +
    fi
fi
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZEPHRA_SIM_FALLBACK=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" "$@"
