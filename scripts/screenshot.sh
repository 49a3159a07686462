#!/usr/bin/env bash
# The README's picture: the demo's scripted session (scripts/demo.sh) on a
# virtual display, photographed while Quorvane.exe traces the demo server.
# Usage: scripts/screenshot.sh [PNG]   (default docs/quorvane.png)
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$QV_ROOT/docs/quorvane.png}")
unset DISPLAY
exec "$QV_ROOT/scripts/demo.sh" --screenshot "$out"
