#!/bin/sh
# Sets up, builds and runs the system against the simulator until Ctrl+C: the simulator, the
# service in console mode and the control panel, on your X display when DISPLAY is set, else
# on an Xvfb display of its own, where every program of the run (and every Wine program
# started in the prefix meanwhile) shares one Wine desktop window.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
mkdir -p "$BUILD"
BUILD_LOG="$BUILD/run-build.log"
RUN_LOG="$BUILD/run.log"
echo "run: building (output in $BUILD_LOG)"
if ! sh "$ROOT/scripts/build.sh" >"$BUILD_LOG" 2>&1; then
    tail -n 20 "$BUILD_LOG" >&2
    echo "run: the build failed; all of its output is in $BUILD_LOG" >&2
    exit 1
fi
grep '^build:' "$BUILD_LOG" || true
OWN_DISPLAY=""
if [ -n "$DISPLAY" ]; then
    QUORVELA_KEEP_DISPLAY=1
    export QUORVELA_KEEP_DISPLAY
else
    OWN_DISPLAY=1
    # Keeps wine-env.sh from clearing the desktop value below.
    QUORVELA_RUN_DESKTOP=1
    export QUORVELA_RUN_DESKTOP
fi
. "$ROOT/scripts/wine-env.sh"
BIN="$BUILD/bin"
EXPLORER_KEY='HKCU\Software\Wine\Explorer'
if [ -n "$OWN_DISPLAY" ]; then
    # No window manager on Xvfb: a Wine desktop window draws the frames. Named as the
    # prefix's default desktop, it takes every program started in the prefix, so device
    # broadcasts and "quorvelacpl -exit" reach the control panel.
    wine reg add "$EXPLORER_KEY\\Desktops" /v quorvela /d 1024x768 /f >/dev/null 2>&1 </dev/null
    wine reg add "$EXPLORER_KEY" /v Desktop /d quorvela /f >/dev/null 2>&1 </dev/null
fi

SIM_PID=""
SVC_PID=""
stop_all() {
    echo "run: stopping"
    # The service's console mode ends on Ctrl+C, which the terminal delivers to the
    # whole process group; a service still running is ended with the prefix's server.
    wine "$BIN/quorvelacpl.exe" -exit >/dev/null 2>&1 </dev/null || true
    [ -n "$SVC_PID" ] && kill -INT "$SVC_PID" 2>/dev/null || true
    wine "$BIN/zephrasim.exe" quit >/dev/null 2>&1 </dev/null || true
    [ -n "$SIM_PID" ] && wait "$SIM_PID" 2>/dev/null || true
    if [ -n "$OWN_DISPLAY" ]; then
        wine reg delete "$EXPLORER_KEY" /v Desktop /f >/dev/null 2>&1 </dev/null || true
    fi
    wine_env_stop
}
trap stop_all EXIT
trap 'exit 0' INT TERM

: >"$RUN_LOG"
wine "$BIN/zephrasim.exe" run </dev/null >>"$RUN_LOG" 2>&1 &
SIM_PID=$!
i=0
until wine "$BIN/zephrasim.exe" status </dev/null >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 50 ]; then echo "run: the simulator did not start (see $RUN_LOG)" >&2; exit 1; fi
    sleep 0.2
done
wine "$BIN/quorvelasvc.exe" -console </dev/null >>"$RUN_LOG" 2>&1 &
SVC_PID=$!
wine "$BIN/quorvelacpl.exe" </dev/null >>"$RUN_LOG" 2>&1 &

WINE="WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY WINEDEBUG=-all wine"
echo "run: running against the simulator: zephrasim run (one device, QV000001), quorvelasvc -console, quorvelacpl"
echo "run: their output goes to $RUN_LOG"
if [ -n "$OWN_DISPLAY" ]; then
    echo "run: the control panel is in a Wine desktop window on Xvfb display $DISPLAY; a picture of it:"
    echo "run:   import -display $DISPLAY -window root shot.png"
    if command -v x11vnc >/dev/null 2>&1; then
        echo "run:   or watch it: x11vnc -display $DISPLAY, then a VNC viewer"
    fi
else
    echo "run: the control panel is on your display $DISPLAY"
fi
echo "run: from another shell, drive the simulator (zephrasim help lists the commands):"
echo "run:   $WINE $BIN/zephrasim.exe status"
echo "run:   $WINE $BIN/zephrasim.exe unplug QV000001"
echo "run:   $WINE $BIN/zephrasim.exe plug QV000001"
echo "run: close the control panel: $WINE $BIN/quorvelacpl.exe -exit"
echo "run: stop everything: Ctrl+C here, or $WINE $BIN/zephrasim.exe quit"
wait "$SIM_PID"
