#!/usr/bin/env bash
# Renders kestrun.svg into the PNG sizes the desktop's hicolor theme looks for
# (kestrun-16.png ... kestrun-256.png beside this script). Needs rsvg-convert (librsvg2-bin).
# Run it again after changing kestrun.svg and commit the PNGs with it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$here/kestrun.svg" -o "$here/kestrun-$size.png"
done
