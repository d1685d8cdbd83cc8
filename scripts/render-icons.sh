#!/usr/bin/env bash
# Renders the icon's PNGs in the usual hicolor sizes from
# packaging/icons/velmora.svg into packaging/icons/hicolor/. The PNGs are kept
# in the repository, so building and packaging need no SVG renderer; run this
# after changing the SVG. Needs rsvg-convert (apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" velmora.svg -o "hicolor/${size}x${size}/apps/velmora.png"
done
