#!/usr/bin/env bash
# measure_program.sh [--no-wm] [--compositor] [WIDTHxHEIGHT] [PROGRAM]: runs the program on a
# virtual display of that size (1920x1080 by default), with openbox unless --no-wm and with the
# picom compositing manager if --compositor, and prints the overlay latency, the memory after
# captures and the idle wake-ups (measure_program.py).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
all=("$@")
wm=1
compositor=0
while [ "${1:-}" = "--no-wm" ] || [ "${1:-}" = "--compositor" ]; do
  if [ "$1" = "--no-wm" ]; then wm=0; else compositor=1; fi
  shift
done
size=${1:-1920x1080}
program=$(realpath "${2:-$here/../build/dev/ozmira}")
if [ -z "${OZMIRA_MEASURE_INNER:-}" ]; then
  export OZMIRA_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 ${size}x24" dbus-run-session -- "$0" "${all[@]}"
fi
args=(--program "$program")
if [ $wm = 1 ]; then
  openbox >/dev/null 2>&1 &
  wmpid=$!
  trap 'kill $wmpid 2>/dev/null' EXIT
  sleep 0.5
  args+=(--window-manager)
fi
if [ $compositor = 1 ]; then
  picom --backend xrender --no-vsync >/dev/null 2>&1 &
  cmpid=$!
  trap 'kill $cmpid ${wmpid:-} 2>/dev/null' EXIT
  sleep 1
  args+=(--compositor)
fi
python3 "$here/measure_program.py" "${args[@]}"
