#!/usr/bin/env bash
# Remakes the node's icons from the default material as the built Maya
# plug-in shades it: the Outliner's (20 pixels) and the Hypershade's and
# Create Render Node window's (32). Needs a build (./build.sh build) and
# ImageMagick (Debian's imagemagick).
set -euo pipefail
cd "$(dirname "$0")"
ball=$(mktemp --suffix=.png)
trap 'rm -f "$ball"' EXIT
../../build/bin/sorvane render --host maya --size 320 --samples 16 -o "$ball" -q
for size in 20:out_sorvane 32:render_sorvane; do
  convert "$ball" -crop 236x236+42+30 +repage -resize "${size%%:*}x${size%%:*}" "${size#*:}.png"
done
