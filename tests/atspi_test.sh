#!/usr/bin/env bash
# The program as assistive software sees it: the demo's drives and stand-in server, the
# program on a private X display and a private D-Bus session with its accessibility bus,
# and atspi_tree.py reading the tree over AT-SPI. Loopback only; every wait has a bound.
#
#   tests/atspi_test.sh PROGRAM STANDIN-SERVER
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$1"
standin="$2"
source "$here/../scripts/demo.sh"
source "$here/../scripts/xvfb.sh"

work="$(mktemp -d)"
cleanup() {
    stop_standin_server
    [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

demo_prefix "$work/prefix"
start_demo_server "$standin" "$work/standin-server.log"
start_xvfb 1280x900x24

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" WINEPREFIX="$work/prefix" QT_QPA_PLATFORM=xcb
# Qt exposes its tree whether or not a screen reader has said it runs.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The program is ended, not closed: what it leaks meanwhile is of no interest here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

# The session bus starts the accessibility bus when the program first asks for it; the
# program ends with the session. Debian's Python, which has Debian's pyatspi, whatever
# python3 comes first on the path.
dbus-run-session -- bash -c '
    "$1" > "$3/program.log" 2>&1 &
    program=$!
    status=0
    timeout 120 /usr/bin/python3 "$2" || status=$?
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    [ "$status" -eq 0 ] || { echo "--- the program said:"; cat "$3/program.log"; }
    exit "$status"
' _ "$program" "$here/atspi_tree.py" "$work"
