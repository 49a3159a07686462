#!/usr/bin/env bash
# The demo: builds the Windows programs (mingw preset), starts the demo
# server ORACLE.EXE under Wine, then Quorvane.exe in a folder holding
# TracePoints.txt and Config.ini (tools/dialogdemo does both).
#
# With a display ($DISPLAY set) the window is yours: select the ORACLE.EXE
# row, Trace, untick "Stat Only" to see every call, Report, Stop, Exit; the
# server runs a workload every few seconds meanwhile and is ended when the
# window closes. Without one (over SSH, in CI) it runs on a virtual display
# and works the window by messages only: Trace, a logged workload, a
# screenshot taken while tracing, a counted workload, Report, Stop, Exit; it
# prints the log and checks the server's code is untouched.
#
# Usage: scripts/demo.sh [--scripted] [--screenshot PNG]
#   --scripted        the scripted session even with a display
#   --screenshot PNG  where the scripted session's picture goes
#                     (default build/mingw/demo/quorvane-demo.png)
# The trace points are build/mingw/demo/TracePoints.txt (written on the
# first run; edit it to trace other functions of the server).
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$QV_ROOT"
mode=interactive
[ -z "${DISPLAY:-}" ] && mode=scripted
shot=build/mingw/demo/quorvane-demo.png
while [ $# -gt 0 ]; do
  case $1 in
    --scripted) mode=scripted; shift ;;
    --screenshot) shot=${2:?--screenshot needs a file}; mode=scripted; shift 2 ;;
    *) echo "usage: scripts/demo.sh [--scripted] [--screenshot PNG]" >&2; exit 2 ;;
  esac
done
shot=$(realpath -m "$shot")
scripts/setup.sh
echo "demo: building (mingw preset)"
timeout 1800 cmake --preset mingw >/dev/null
timeout 1800 cmake --build build/mingw -j "$(nproc)" --target dialogdemo
. "$QV_ROOT/scripts/wine-env.sh"
photographer=""
cleanup() {
  if [ -n "$photographer" ]; then kill "$photographer" 2>/dev/null || true; fi
  qv_wine_stop
}
trap cleanup EXIT
qv_wine_start "$QV_ROOT/build/mingw"
mkdir -p build/mingw/demo
cd build/mingw/demo
if [ "$mode" = interactive ]; then
  echo "demo: Quorvane.exe on $DISPLAY; close its window (Exit) to end the demo"
  qv_wine_run 86400 ../bin/dialogdemo.exe interactive
  exit
fi

# The session creates the flag file in its work folder while the trace
# shows its call lines, and goes on once the picture is taken.
flag=$QV_ROOT/build/mingw/bin/dialogdemo.work/tracing.flag
rm -f "$flag" "$flag.done"
mkdir -p "$(dirname "$shot")"
(
  for _ in $(seq 1 3000); do
    if [ -e "$flag" ]; then
      sleep 0.5
      import -window root "$shot.full.png"
      # ImageMagick's own convert: another program of that name may come first on PATH.
      /usr/bin/convert "$shot.full.png" -trim +repage "$shot" && echo "demo: screenshot $shot"
      rm -f "$shot.full.png"
      touch "$flag.done"
      exit 0
    fi
    sleep 0.1
  done
) &
photographer=$!
echo "demo: a scripted session on the virtual display $DISPLAY"
status=0
qv_wine_run 900 ../bin/dialogdemo.exe scripted tracing.flag || status=$?
wait "$photographer" 2>/dev/null || true
photographer=""
[ -f "$shot" ] || { echo "demo: no screenshot was taken" >&2; status=1; }
if [ "$status" -eq 0 ]; then echo "demo: every step passed"; else echo "demo: a step FAILED (exit $status)" >&2; fi
exit "$status"
