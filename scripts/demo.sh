#!/usr/bin/env bash
# The demo: builds the Windows programs (mingw preset), then runs tracedemo
# under Wine: it starts the demo server ORACLE.EXE from its server home,
# traces it with the real engine while a workload runs (the trace log goes
# to standard output), stops, checks the server still runs with its code
# untouched, and asks it to quit.
# Usage: scripts/demo.sh [ITERATIONS [THREADS]]
# The trace points are build/mingw/demo/TracePoints.txt (written on the
# first run; edit it to trace other functions of the server).
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$QV_ROOT"
scripts/setup.sh
echo "demo: building (mingw preset)"
timeout 1800 cmake --preset mingw >/dev/null
timeout 1800 cmake --build build/mingw -j "$(nproc)" --target tracedemo demoserver
. "$QV_ROOT/scripts/wine-env.sh"
trap qv_wine_stop EXIT
qv_wine_start "$QV_ROOT/build/mingw"
mkdir -p build/mingw/demo
cd build/mingw/demo
echo "demo: tracing the demo server under Wine"
qv_wine_run 600 ../bin/tracedemo.exe "$@"
