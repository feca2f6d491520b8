#!/bin/sh
# Redraws the program's pictures into resources/img.
# Needs Qt 6 (qt6-base-dev) and ImageMagick (for the GIF logo).
set -e
here=$(cd "$(dirname "$0")" && pwd)
img="$here/../img"
build="${TMPDIR:-/tmp}/verdane-make-pictures"
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -- -j1 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/make_pictures" "$img"
# Qt writes no GIF: the logo is drawn as PNG and converted, opaque.
convert "$img/logo.png" -background white -alpha remove -alpha off +dither -colors 64 "$img/logo.gif"
rm -f "$img/logo.png"
