#!/usr/bin/env bash
# session_check_test.sh OZMIRA: no display, an unreachable one, and Wayland chosen without a
# compositor each end in one line on standard error and exit status 1, never in Qt's abort.
set -uo pipefail
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
failures=0
check() {  # check NAME ENV...
    local name=$1; shift
    local err status=0
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM OZMIRA_HOME="$home" "$@" \
          timeout 20 "$program" 2>&1 >/dev/null) || status=$?
    local lines
    lines=$(printf '%s\n' "$err" | grep -c .)
    if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q "graphical desktop session" <<<"$err"; then
        echo "FAIL $name: status $status, stderr:"; printf '%s\n' "$err"
        failures=$((failures + 1))
    else
        echo "ok   $name: $err"
    fi
}
check "no display at all"
check "an unreachable X display" DISPLAY=:987
check "Wayland chosen without a compositor" QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR=
[ -z "$(ls -A "$home")" ] || { echo "FAIL: files written: $(ls -A "$home")"; failures=$((failures + 1)); }
echo "$failures failed"
[ $failures -eq 0 ]
