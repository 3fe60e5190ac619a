#!/bin/sh
# Renders the control panel's icons and tool bar bitmap from their vector sources
# (ImageMagick's MVG) into the .ico and .bmp files beside them. Run after changing a source;
# the rendered files are committed, so the build does not need ImageMagick.
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

# make_toolbar NAME SCALE PARTS...: cpl/res/PART.mvg (16 x 15 each) drawn SCALE/2 times as
# large, side by side on light grey, the tool bar's transparent colour -> cpl/res/NAME.bmp
make_toolbar() {
    name=$1
    scale=$2
    shift 2
    parts=""
    for part in "$@"; do
        {
            echo "viewbox 0 0 $((16 * scale / 2)) $(((15 * scale + 1) / 2))"
            echo "affine $((scale / 2)).$((scale % 2 * 5)) 0 0 $((scale / 2)).$((scale % 2 * 5)) 0 0"
            grep -v '^viewbox' "$RES/$part.mvg"
        } >"$TMP/$part-$scale.mvg"
        convert +antialias -background 'rgb(192,192,192)' "mvg:$TMP/$part-$scale.mvg" -flatten "$TMP/$part-$scale.png"
        parts="$parts $TMP/$part-$scale.png"
    done
    # shellcheck disable=SC2086
    convert $parts +append -type truecolor "BMP3:$RES/$name.bmp"
}

# Tree images: 16 pixels at 96 DPI, 20 and 24 for larger settings, 32 for the largest.
for tree in tree-rate tree-info tree-channels tree-device; do
    make_icon $tree 16 20 24 32
done
# The menu's pictures at 96, 144 and 192 DPI.
make_toolbar toolbar 2 toolbar-exit toolbar-about
make_toolbar toolbar-144 3 toolbar-exit toolbar-about
make_toolbar toolbar-192 4 toolbar-exit toolbar-about
