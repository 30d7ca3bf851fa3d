#!/usr/bin/env bash
# headless.sh COMMAND...: runs the command on a virtual X display with a window manager,
# a session bus and the accessibility bus, as the tests need them.
set -euo pipefail
if [ -z "${OZMIRA_HEADLESS_INNER:-}" ]; then
  export OZMIRA_HEADLESS_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb
# An X11 session, even when started from a terminal of a Wayland desktop: the program picks its
# hotkey backend from these.
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export NO_AT_BRIDGE=0
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
spi=$!
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
set +e
"$@"
status=$?
kill $wm $spi 2>/dev/null
exit $status
