#!/usr/bin/env bash
# sway_two_outputs.sh COMMAND...: runs the command as a client of a headless sway of its own
# with two outputs: HEADLESS-1 (1280 x 720, scale 1, focused, the primary screen) and
# HEADLESS-2 (1280 x 720 device pixels at scale 2, so 640 x 360 of the layout) left of it. sway will not run as root,
# so it runs as nobody, with a runtime folder that nobody owns; the command gets
# WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK.
set -euo pipefail
dir=$(mktemp -d)
chmod 755 "$dir"
mkdir "$dir/run"
chown nobody:nogroup "$dir/run"
chmod 700 "$dir/run"
printf 'output HEADLESS-1 resolution 1280x720 position 640 0 bg #204060 solid_color\n' >"$dir/sway.conf"
chmod 644 "$dir/sway.conf"
export XDG_RUNTIME_DIR=$dir/run
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$dir/sway.conf" >/dev/null 2>&1 &
sway=$!
trap 'kill $sway 2>/dev/null || true; wait $sway 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  ls "$dir"/run/sway-ipc.*.sock >/dev/null 2>&1 && ls "$dir"/run/wayland-? >/dev/null 2>&1 && break
  sleep 0.1
done
SWAYSOCK=$(ls "$dir"/run/sway-ipc.*.sock)
WAYLAND_DISPLAY=$(basename "$(ls "$dir"/run/wayland-? | head -n1)")
export SWAYSOCK WAYLAND_DISPLAY
# The socket may be there before sway answers on it.
for _ in $(seq 50); do
  swaymsg -t get_version >/dev/null 2>&1 && break
  sleep 0.1
done
swaymsg create_output >/dev/null
swaymsg output HEADLESS-2 resolution 1280x720 scale 2 position 0 0 bg '#604020' solid_color >/dev/null
swaymsg focus output HEADLESS-1 >/dev/null
"$@"
