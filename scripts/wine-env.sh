# Sourced by the test and run scripts: a Wine prefix of our own, a warm wineserver,
# Wine's background services, and an Xvfb display for windows.
# Needs BUILD set to the build folder; defines wine_env_stop.

export WINEPREFIX="$BUILD/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

XVFB_PID=""
if [ -z "$QUORVELA_KEEP_DISPLAY" ]; then
    n=91
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    XVFB_PID=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
fi

mkdir -p "$WINEPREFIX"
# The persistent server first, then a plain boot (it creates a missing prefix): "wineboot -i"
# on a running prefix starts a second services.exe, and programs then see two service
# databases that disagree.
wineserver -p >/dev/null 2>&1 </dev/null || true
# run.sh's desktop: a run without DISPLAY names it as the prefix's default desktop; a run
# that was killed leaves the value behind, and every later program would open on it.
if [ -z "$QUORVELA_RUN_DESKTOP" ]; then
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 </dev/null || true
fi
wineboot >/dev/null 2>&1 </dev/null || true
# Wine loads fonts only from the prefix's Fonts folder, and Debian's packages put none there:
# without Wine's own Tahoma and Marlett (fonts-wine) dialogs fall back to DejaVu and the
# caption buttons show letters. Copied in once; later processes find them.
WINE_FONTS=/usr/share/wine/fonts
if [ -d "$WINE_FONTS" ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
    for font in "$WINE_FONTS"/*; do
        [ -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
fi
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null || true
wine cmd /c echo warm >/dev/null 2>&1 </dev/null || true

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 </dev/null || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
