#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs: a private Wine prefix in
# build/ (QV_WINEPREFIX chooses another), a virtual display when there is
# none, and the demo server's BIN folder on the Windows PATH.
#   qv_wine_start [BUILD_DIR]   BUILD_DIR defaults to build/mingw
#   qv_wine_run SECONDS PROGRAM [ARGS...]   one program, with a time-out
#   qv_wine_stop
QV_ROOT=${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${QV_WINEPREFIX:-$QV_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
QV_XVFB_PID=""

qv_wine_start() {
  local build=${1:-$QV_ROOT/build/mingw}
  if [ -z "${DISPLAY:-}" ]; then
    local n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    local log="$WINEPREFIX.boot.log"
    echo "wine: first start of the prefix $WINEPREFIX"
    # Every later step needs the prefix: a boot that fails stops here, with
    # its own log, instead of as a time-out far from the cause.
    if ! WINEDEBUG=err+all timeout 180 wineboot -i >"$log" 2>&1 \
       || ! timeout 60 wineserver -w >>"$log" 2>&1 \
       || [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine: the prefix $WINEPREFIX did not come up; the end of $log:" >&2
      tail -n 40 "$log" >&2
      return 1
    fi
  fi
  # A lookup of the bare name ORACLE.EXE (image size, time stamp) goes
  # through the search path, as on a real installation: put BIN on it.
  if [ -d "$build/server-home/BIN" ]; then
    if ! WINEPATH=$(timeout 30 winepath -w "$build/server-home/BIN"); then
      echo "wine: winepath could not name $build/server-home/BIN for Windows" >&2
      return 1
    fi
    export WINEPATH
  fi
}

qv_wine_run() {
  local seconds=$1; shift
  timeout --kill-after=10 "$seconds" wine "$@"
}

qv_wine_stop() {
  # Waits for the prefix to wind down instead of killing it: another session
  # may be using the same prefix, and a kill would end its programs too. The
  # test programs end their demo servers themselves (a kill-on-close job).
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  if [ -n "$QV_XVFB_PID" ]; then kill "$QV_XVFB_PID" 2>/dev/null || true; fi
}
