#!/bin/sh
# Sets up and builds, then writes pictures of every page, the mixers, the weight popup, the
# About box, an error box and the no-device panel at 96, 120, 144 and 192 DPI into
# build/screens/ (NAME-DPI.png), and one contact sheet of all pictures per DPI
# (contact-DPI.png). Fails when a picture could not be taken or shows a control not drawn.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUORVELA_BUILD:-$ROOT/build}"
DPIS="${QUORVELA_SCREENS_DPI:-96 120 144 192}"
sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"
. "$ROOT/scripts/wine-env.sh"
BIN="$BUILD/bin"
SCREENS="$BUILD/screens"
DESKTOP_KEY='HKCU\Control Panel\Desktop'
restore() {
    wine reg delete "$DESKTOP_KEY" /v LogPixels /f >/dev/null 2>&1 </dev/null || true
    wine_env_stop
}
trap restore EXIT
mkdir -p "$SCREENS"
status=0
for dpi in $DPIS; do
    rm -f "$SCREENS"/*-"$dpi".png
    wine reg add "$DESKTOP_KEY" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
    # Wine's own desktop draws the window frames (there is no window manager on Xvfb); at
    # 192 DPI it is as large as a screen of that density.
    size=1280x1024
    [ "$dpi" -lt 192 ] || size=2560x1600
    if ! timeout 300 wine explorer "/desktop=screens$dpi,$size" "$BIN/cpl_screens.exe" </dev/null; then
        echo "screens: pictures at $dpi DPI failed" >&2
        status=1
    fi
    set -- "$SCREENS"/*-"$dpi".png
    if [ -e "$1" ]; then
        montage -label '%t' -font DejaVu-Sans -pointsize 14 -background '#d8d8d8' -tile 5x -geometry '480x480>+6+6' "$@" \
            "$SCREENS/contact-$dpi.png"
    fi
done
echo "screens: $SCREENS"
exit $status
