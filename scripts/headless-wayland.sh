#!/usr/bin/env bash
# headless-wayland.sh COMMAND...: runs the command in a Wayland session of its own without a
# screen, as the Wayland tests need it: sway's headless backend with one 1920x1080 output of a
# solid colour (#336699), a private session bus with pipewire and the desktop portal
# (xdg-desktop-portal with its wlr backend), and the accessibility bus. The command sees
# WAYLAND_DISPLAY, SWAYSOCK (swaymsg drives the pointer) and no X display.
set -euo pipefail
if [ -z "${OZMIRA_WAYLAND_INNER:-}" ]; then
  export OZMIRA_WAYLAND_INNER=1
  exec dbus-run-session -- "$0" "$@"
fi
for tool in sway swaymsg grim pipewire /usr/libexec/xdg-desktop-portal{,-wlr}; do
  if ! command -v "$tool" >/dev/null; then
    echo "headless-wayland.sh: $tool is missing (scripts/setup.sh --tests)" >&2
    exit 1
  fi
done

work=$(mktemp -d /tmp/ozmira-wayland.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # The document portal, started on demand, mounts its files below the runtime folder.
  if mountpoint -q "$work/runtime/doc" 2>/dev/null; then
    fusermount3 -uz "$work/runtime/doc" 2>/dev/null ||
      fusermount -uz "$work/runtime/doc" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# sway refuses to run as root: there it runs as nobody, in a runtime folder of nobody's.
# Everything else keeps a runtime folder of its own and finds sway by absolute paths.
mkdir -m 700 "$work/sway" "$work/runtime"
as_sway=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$work/sway"
  as_sway=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
cat >"$work/sway.conf" <<EOF
output HEADLESS-1 resolution 1920x1080 position 0 0 bg #336699 solid_color
default_border none
default_floating_border none
focus_on_window_activation focus
EOF
unset DISPLAY QT_QPA_PLATFORM WAYLAND_SOCKET
# Without direct scan-out: sway 1.7 scanning out a full-screen window on one output leaves a
# full-screen window on another output unshown (its output keeps the background).
env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$work/sway" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman HOME="$work/sway" \
    "${as_sway[@]}" sway -Dnoscanout -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
socket=""
for _ in $(seq 100); do
  socket=$(find "$work/sway" -maxdepth 1 -type s -name 'wayland-[0-9]*' | head -n 1)
  [ -n "$socket" ] && ls "$work"/sway/sway-ipc.*.sock >/dev/null 2>&1 && break
  sleep 0.1
done
if [ -z "$socket" ]; then
  echo "headless-wayland.sh: sway did not start:" >&2
  cat "$work/sway.log" >&2
  exit 1
fi

export XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY="$socket"
export SWAYSOCK=$(ls "$work"/sway/sway-ipc.*.sock)
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
# Services the bus starts on demand (the portal's dialogs) get the session too.
dbus-update-activation-environment XDG_RUNTIME_DIR WAYLAND_DISPLAY SWAYSOCK XDG_SESSION_TYPE \
    XDG_CURRENT_DESKTOP

pipewire >"$work/pipewire.log" 2>&1 &
pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
sleep 0.3
/usr/libexec/xdg-desktop-portal-wlr >"$work/portal-wlr.log" 2>&1 &
pids+=($!)
/usr/libexec/xdg-desktop-portal -r >"$work/portal.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  gdbus introspect --session -d org.freedesktop.portal.Desktop -o /org/freedesktop/portal/desktop \
      2>/dev/null | grep -q org.freedesktop.portal.Screenshot && break
  sleep 0.1
done

set +e
"$@"
status=$?
if [ $status -ne 0 ] && [ -n "${OZMIRA_WAYLAND_LOGS:-}" ]; then
  tail -n 30 "$work"/*.log >&2
fi
exit $status
