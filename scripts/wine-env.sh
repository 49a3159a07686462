#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs: a private Wine prefix in
# build/, and a virtual display when there is none.
QV_ROOT=${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$QV_ROOT/build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
QV_XVFB_PID=""

qv_wine_start() {
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
    timeout 180 wineboot -i >/dev/null 2>&1 || true
  fi
  timeout 60 wineserver -w >/dev/null 2>&1 || true
}

qv_wine_stop() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$QV_XVFB_PID" ]; then kill "$QV_XVFB_PID" 2>/dev/null || true; fi
}
