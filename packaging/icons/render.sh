#!/usr/bin/env bash
# Renders the icon's PNG sizes from the SVG; run after changing the SVG and commit the PNGs
# (the build itself needs no SVG renderer). Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" org.example.InventoryRequest.svg \
        -o "org.example.InventoryRequest-$size.png"
done
