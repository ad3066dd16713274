#!/usr/bin/env bash
# Renders the program's icon from its SVG into the PNG sizes installed beside
# it (hicolor theme). Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --output "jp.zephra.Nippo-$size.png" jp.zephra.Nippo.svg
done
