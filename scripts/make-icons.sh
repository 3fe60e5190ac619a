#!/bin/sh
# Renders the control panel's icons from their vector sources (ImageMagick's MVG) into
# multi-size .ico files beside them. Run after changing a source; the .ico files are
# committed, so the build does not need ImageMagick.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RES="$ROOT/cpl/res"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# make_icon NAME SIZES...: cpl/res/NAME.mvg -> cpl/res/NAME.ico
make_icon() {
    name=$1
    shift
    convert -background none "mvg:$RES/$name.mvg" "$TMP/$name.png"
    parts=""
    for size in "$@"; do
        convert "$TMP/$name.png" -resize "${size}x${size}" "PNG32:$TMP/$name-$size.png"
        parts="$parts $TMP/$name-$size.png"
    done
    # shellcheck disable=SC2086
    convert $parts "$RES/$name.ico"
}

make_icon quorvela 16 24 32 48
