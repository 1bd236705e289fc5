#!/usr/bin/env bash
# Renders the program's pictures from their SVG sources in svg/ into the PNG files that the
# resource file holds. Run it after changing a picture (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p toolbar buttons icons pictures
for name in save open caladjust setup download stop importlist printgraph printlist help; do
    rsvg-convert -w 27 -h 21 "svg/$name.svg" -o "toolbar/$name.png"
    rsvg-convert -w 54 -h 42 "svg/$name.svg" -o "toolbar/$name@2x.png"
done
for name in ok cancel; do
    rsvg-convert -w 60 -h 22 "svg/$name.svg" -o "buttons/$name.png"
    rsvg-convert -w 120 -h 44 "svg/$name.svg" -o "buttons/$name@2x.png"
done
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" svg/datalogger.svg -o "icons/datalogger-$size.png"
done
rsvg-convert svg/splash.svg -o pictures/splash.png
