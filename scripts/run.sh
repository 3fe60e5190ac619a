#!/bin/sh
# Sets up, builds and runs the system against the simulator until Ctrl+C.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"
. "$ROOT/scripts/wine-env.sh"
BIN="$BUILD/bin"

SIM_PID=""
SVC_PID=""
stop_all() {
    # The service's console mode ends on Ctrl+C, which the terminal delivers to the
    # whole process group; a service still running is ended with the prefix's server.
    [ -n "$SVC_PID" ] && kill -INT "$SVC_PID" 2>/dev/null || true
    wine "$BIN/zephrasim.exe" quit >/dev/null 2>&1 </dev/null || true
    [ -n "$SIM_PID" ] && wait "$SIM_PID" 2>/dev/null || true
    wine_env_stop
}
trap stop_all EXIT
trap 'exit 0' INT TERM

wine "$BIN/zephrasim.exe" run </dev/null &
SIM_PID=$!
i=0
until wine "$BIN/zephrasim.exe" status 2>/dev/null </dev/null; do
    i=$((i + 1))
    if [ $i -gt 50 ]; then echo "run: the simulator did not start" >&2; exit 1; fi
    sleep 0.2
done
wine "$BIN/quorvelasvc.exe" -console </dev/null &
SVC_PID=$!
sleep 2
wine "$BIN/zephrasim.exe" status </dev/null
echo "run: simulator and service (console mode) are running; 'wine build/bin/zephrasim.exe COMMAND'"
echo "run: talks to the simulator (WINEPREFIX=$WINEPREFIX). Ctrl+C stops everything."
wait "$SIM_PID"
