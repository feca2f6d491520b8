#!/usr/bin/env bash
# Remakes the icon's PNG sizes and the Windows .ico from the SVG. The results
# are committed; run this only after changing the drawing.
# Needs librsvg2-bin (rsvg-convert) and imagemagick (convert).
set -euo pipefail
cd "$(dirname "$0")"
id=org.verdane.Verdane
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" "$id.svg" -o "${size}x${size}/$id.png"
done
# The .ico carries the sizes Windows shows (title bar, taskbar, Explorer).
convert 16x16/$id.png 24x24/$id.png 32x32/$id.png 48x48/$id.png 64x64/$id.png \
  256x256/$id.png -strip verdane.ico
