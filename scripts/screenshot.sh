#!/usr/bin/env bash
# Runs Quorvane.exe under Wine on a virtual display, works it with
# uidriver.exe (test mode, so every button shows), and saves a screenshot of
# the dialog. Usage: scripts/screenshot.sh [PNG]   (default docs/quorvane.png)
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$QV_ROOT"
out=$(realpath -m "${1:-docs/quorvane.png}")
mkdir -p "$(dirname "$out")"
timeout 1800 cmake --preset mingw >/dev/null
timeout 1800 cmake --build build/mingw -j "$(nproc)" --target Quorvane uidriver
unset DISPLAY
. "$QV_ROOT/scripts/wine-env.sh"
trap qv_wine_stop EXIT
qv_wine_start "$QV_ROOT/build/mingw"
run=build/mingw/ui-run
mkdir -p "$run"
printf '[TEST]=ON\r\n' >"$run/Config.ini"
cd "$run"
qv_wine_run 300 ../bin/Quorvane.exe &
program=$!
qv_wine_run 120 ../bin/uidriver.exe wait 60 sleep 1500
import -window root "$out.full.png"
# ImageMagick's own convert: another program of that name may come first on PATH.
/usr/bin/convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
qv_wine_run 60 ../bin/uidriver.exe wait 10 click 2 || true
wait "$program" || true
echo "screenshot: $out"
