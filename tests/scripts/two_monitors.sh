#!/usr/bin/env bash
# two_monitors.sh COMMAND...: runs the command on an X server of its own whose root window
# (3840 x 1080) holds two RandR monitors side by side: LEFT (1920 x 1080) at 0,0 and the
# primary RIGHT (1600 x 900) at 1920,0, so LEFT has negative screen coordinates and part of
# the root window lies on no monitor. A window manager runs on it; the session and
# accessibility buses are the caller's.
set -euo pipefail
dir=$(mktemp -d)
trap 'kill $wm $server 2>/dev/null || true; rm -rf "$dir"' EXIT
# Kept up between clients: a server reset would forget the monitors.
Xvfb -displayfd 3 -screen 0 3840x1080x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
server=$!
wm=
for _ in $(seq 100); do
  [ -s "$dir/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$dir/display")"
xrandr --setmonitor LEFT 1920/508x1080/286+0+0 none >/dev/null
xrandr --setmonitor '*RIGHT' 1600/423x900/238+1920+0 screen >/dev/null
# The window manager reads the monitors when it starts.
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
"$@"
