#!/bin/sh
# Sets up, builds and runs every test under Wine through ctest. Extra arguments go to ctest
# (for example: -R ApiContext). Without them, the run command's own test follows
# (scripts/tests/run-no-display.sh).
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"
. "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
cd "$BUILD"
set +e
ctest --output-on-failure --timeout 180 "$@"
status=$?
if [ $# -eq 0 ]; then
    # The run starts its own display and Wine server.
    wine_env_stop
    trap - EXIT
    sh "$ROOT/scripts/tests/run-no-display.sh" || status=1
fi
exit $status
