#!/usr/bin/env bash
# Runs a command inside a fresh Xvfb display with the openbox window manager and a private
# D-Bus session bus. Both servers are started and stopped by PID; DISPLAY is exported.
# Usage: with-display.sh COMMAND [ARGS...]
set -uo pipefail

pick_display() {
  local n
  for n in $(seq 90 400); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT INT TERM

for attempt in 1 2 3 4 5; do
  num=$(pick_display) || { echo "with-display: no free display number" >&2; exit 1; }
  Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp -noreset >/tmp/xvfb-$num.log 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    if xdpyinfo -display ":$num" >/dev/null 2>&1; then break; fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && xdpyinfo -display ":$num" >/dev/null 2>&1; then break; fi
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "with-display: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$num"

openbox --sm-disable >/tmp/openbox-$num.log 2>&1 &
wm_pid=$!
for _ in $(seq 1 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  sleep 0.1
done

export NO_AT_BRIDGE=1
export GDK_BACKEND=x11
if command -v dbus-run-session >/dev/null 2>&1; then
  dbus-run-session -- "$@"
else
  "$@"
fi
