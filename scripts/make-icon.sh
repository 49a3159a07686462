#!/usr/bin/env bash
# Draws the program's icon (ui/res/Quorvane.ico, resource 128): a dark tile
# with a trace line and a breakpoint dot, at 16, 32 and 48 pixels.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 32 48; do
  s=$size
  /usr/bin/convert -size ${s}x${s} xc:none \
    -fill '#1d3557' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $((s/6)),$((s/6))" \
    -stroke '#a8dadc' -strokewidth $(( s >= 32 ? 2 : 1 )) -fill none \
    -draw "polyline $((s/8)),$((s*3/4)) $((s*3/8)),$((s*3/4)) $((s/2)),$((s/4)) $((s*5/8)),$((s*3/4)) $((s*7/8)),$((s*3/4))" \
    -stroke none -fill '#e63946' -draw "circle $((s/2)),$((s/4)) $((s/2+s/8)),$((s/4))" \
    "$work/icon$s.png"
done
icotool -c -o ui/res/Quorvane.ico "$work/icon16.png" "$work/icon32.png" "$work/icon48.png"
echo "wrote ui/res/Quorvane.ico"
