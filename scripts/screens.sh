#!/bin/sh
# Sets up and builds, then writes pictures of every page, the mixers, the About box and the
# no-device panel at 96 and 144 DPI into build/screens/ (NAME-96.png, NAME-144.png).
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"
. "$ROOT/scripts/wine-env.sh"
BIN="$BUILD/bin"
DESKTOP_KEY='HKCU\Control Panel\Desktop'
restore() {
    wine reg delete "$DESKTOP_KEY" /v LogPixels /f >/dev/null 2>&1 </dev/null || true
    wine_env_stop
}
trap restore EXIT
mkdir -p "$BUILD/screens"
rm -f "$BUILD/screens"/*-96.png "$BUILD/screens"/*-144.png
status=0
for dpi in 96 144; do
    wine reg add "$DESKTOP_KEY" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1 </dev/null
    # Wine's own desktop draws the window frames (there is no window manager on Xvfb).
    if ! timeout 120 wine explorer "/desktop=screens$dpi,1280x1024" "$BIN/cpl_screens.exe" </dev/null; then
        echo "screens: pictures at $dpi DPI failed" >&2
        status=1
    fi
done
echo "screens: $BUILD/screens"
exit $status
