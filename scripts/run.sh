#!/bin/sh
# Sets up, builds and runs the system against the simulator until Ctrl+C: the simulator, the
# service in console mode and the control panel, on your X display when DISPLAY is set, else
# on an Xvfb display of its own.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"
OWN_DISPLAY=""
if [ -n "$DISPLAY" ]; then
    QUORVELA_KEEP_DISPLAY=1
    export QUORVELA_KEEP_DISPLAY
else
    OWN_DISPLAY=1
fi
. "$ROOT/scripts/wine-env.sh"
BIN="$BUILD/bin"

SIM_PID=""
SVC_PID=""
stop_all() {
    # The service's console mode ends on Ctrl+C, which the terminal delivers to the
    # whole process group; a service still running is ended with the prefix's server.
    wine "$BIN/quorvelacpl.exe" -exit >/dev/null 2>&1 </dev/null || true
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
if [ -n "$OWN_DISPLAY" ]; then
    # No window manager on Xvfb: Wine's own desktop draws the window frames.
    wine explorer /desktop=quorvela,1024x768 "$BIN/quorvelacpl.exe" </dev/null &
    echo "run: the control panel is on Xvfb display $DISPLAY; look at it with"
    echo "run:   import -display $DISPLAY -window root shot.png   (or: x11vnc -display $DISPLAY, then a VNC viewer)"
else
    wine "$BIN/quorvelacpl.exe" </dev/null &
    echo "run: the control panel is on your display $DISPLAY"
fi
echo "run: simulator, service (console mode) and control panel are running; 'wine build/bin/zephrasim.exe COMMAND'"
echo "run: talks to the simulator (WINEPREFIX=$WINEPREFIX). Ctrl+C stops everything."
wait "$SIM_PID"
