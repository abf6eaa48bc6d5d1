#!/bin/sh
# Renders the program's icon, drawn as org.example.tevlo.svg, at the sizes the desktop's icon
# theme looks for. The PNG files are kept in the tree, so building needs no renderer; run this
# after changing the drawing (it needs rsvg-convert, from Debian's librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" org.example.tevlo.svg -o "org.example.tevlo-$size.png"
done
