#!/bin/sh
# The run command without DISPLAY, end to end, through the commands it prints: the control
# panel follows "unplug" and "plug", "quorvelacpl -exit" closes it, "zephrasim quit" ends
# the run. Exits 0 when all of it holds. (Started by the test command; runs the set-up and
# build of run.sh, quick when done.)
set -e
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
mkdir -p "$BUILD"
OUT="$BUILD/run-no-display.out"
RUN_PID=""
fail() {
    echo "run-no-display: FAIL: $*" >&2
    echo "run-no-display: what the run printed:" >&2
    cat "$OUT" >&2
    exit 1
}
finish() {
    if [ -n "$RUN_PID" ] && kill -0 "$RUN_PID" 2>/dev/null; then
        kill -TERM "$RUN_PID" 2>/dev/null || true
        wait "$RUN_PID" 2>/dev/null || true
    fi
}
trap finish EXIT

: >"$OUT"
env -u DISPLAY sh "$ROOT/scripts/run.sh" >>"$OUT" 2>&1 &
RUN_PID=$!

# printed NAME: the command the run printed for NAME, e.g. "zephrasim.exe status".
printed() {
    sed -n "s/^run: .*\\(WINEPREFIX=.*$1\\)\$/\\1/p" "$OUT" | head -n 1
}
i=0
until grep -q '^run: stop everything' "$OUT"; do
    kill -0 "$RUN_PID" 2>/dev/null || fail "the run ended before it was ready"
    i=$((i + 1))
    [ $i -le 1800 ] || fail "the run was not ready in 15 minutes"
    sleep 0.5
done
STATUS="$(printed 'zephrasim.exe status')"
UNPLUG="$(printed 'zephrasim.exe unplug QV000001')"
PLUG="$(printed 'zephrasim.exe plug QV000001')"
EXIT="$(printed 'quorvelacpl.exe -exit')"
QUIT="$(printed 'zephrasim.exe quit')"
for command in "$STATUS" "$UNPLUG" "$PLUG" "$EXIT" "$QUIT"; do
    [ -n "$command" ] || fail "a command is missing from what the run printed"
done

# until_status PATTERN [absent]: waits up to 30 s until the simulator's status shows a
# line matching PATTERN (or, with "absent", none).
until_status() {
    i=0
    while :; do
        if eval "$STATUS" </dev/null 2>/dev/null | grep -q "$1"; then found=1; else found=0; fi
        if [ "$2" = absent ]; then [ $found = 0 ] && return 0; else [ $found = 1 ] && return 0; fi
        i=$((i + 1))
        [ $i -le 60 ] || return 1
        sleep 0.5
    done
}
# The control panel is the simulator's main client (the service is its server).
PANEL='type 2 (main client)'
until_status "$PANEL" || fail "the control panel did not connect"
eval "$UNPLUG" </dev/null >/dev/null || fail "unplug was refused"
until_status "$PANEL" absent || fail "the control panel kept its connection to the unplugged device"
eval "$PLUG" </dev/null >/dev/null || fail "plug was refused"
until_status "$PANEL" || fail "the control panel did not follow the device back (plug)"
eval "$EXIT" </dev/null >/dev/null || fail "quorvelacpl -exit failed"
until_status "$PANEL" absent || fail "the control panel still runs after quorvelacpl -exit"
eval "$QUIT" </dev/null >/dev/null || fail "zephrasim quit failed"
i=0
while kill -0 "$RUN_PID" 2>/dev/null; do
    i=$((i + 1))
    [ $i -le 120 ] || fail "the run did not end after zephrasim quit"
    sleep 0.5
done
wait "$RUN_PID" || fail "the run ended with an error"
RUN_PID=""
grep -q '^run: stopping' "$OUT" || fail "the run did not stop its programs"
echo "run-no-display: passed"
