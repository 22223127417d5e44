#!/usr/bin/env bash
# The program as assistive software sees it: two drives, one on the demo's stand-in server
# and one where nothing listens, at addresses of this test's own (the demo's are shared with
# whatever else runs on the machine); the program on a private X display and a private D-Bus
# session with its accessibility bus, and atspi_tree.py reading the tree over AT-SPI.
# Loopback only; every wait has a bound.
#
#   tests/atspi_test.sh PROGRAM STANDIN-SERVER
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$1"
standin="$2"
source "$here/../scripts/demo.sh"
source "$here/../scripts/xvfb.sh"

# Without the packages of packages.txt there is nothing to read the tree with: skipped (77),
# with what is missing.
missing=()
for tool in Xvfb xdpyinfo dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" > /dev/null || missing+=("$tool")
done
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null || missing+=("pyatspi (python3-pyatspi)")
if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: no ${missing[*]}" >&2
    exit 77
fi

work="$(mktemp -d)"
# The session bus starts the accessibility bus and its registry, which outlive the session
# bus a moment and are no children of this script: every process of the session is known by
# the private runtime directory in its environment, which this shell itself does not carry.
started_for_this_run() {
    local environ
    for environ in /proc/[0-9]*/environ; do
        tr '\0' '\n' 2>/dev/null < "$environ" | grep -qxF "XDG_RUNTIME_DIR=$work/runtime" &&
            basename "$(dirname "$environ")"
    done
    return 0
}
end_started_processes() {
    local signal=TERM pids _
    for _ in $(seq 50); do
        pids="$(started_for_this_run)"
        [ -n "$pids" ] || return 0
        [ "$_" -lt 30 ] || signal=KILL
        # shellcheck disable=SC2086
        kill -s "$signal" $pids 2>/dev/null || true
        sleep 0.1
    done
    echo "still running after the test: $(started_for_this_run)" >&2
}
cleanup() {
    end_started_processes
    stop_standin_server
    if [ -n "${xvfb:-}" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

demo_prefix "$work/prefix" "f:unc/127.0.0.94/daten" "k:unc/127.0.0.95/archiv"
start_standin_server "$standin" "$work/standin-server.log" --listen 127.0.0.94:6262 \
    --scenario "$quellmark_root/standin/scenarios/demo.json"
start_xvfb 1280x900x24

mkdir -m 700 "$work/runtime"
export WINEPREFIX="$work/prefix" QT_QPA_PLATFORM=xcb
# Qt exposes its tree whether or not a screen reader has said it runs.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The program is ended, not closed: what it leaks meanwhile is of no interest here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

# The session bus starts the accessibility bus when the program first asks for it; the
# program ends with the session. Debian's Python, which has Debian's pyatspi, whatever
# python3 comes first on the path. The outer bound holds should the session itself hang.
XDG_RUNTIME_DIR="$work/runtime" timeout 150 dbus-run-session -- bash -c '
    "$1" > "$3/program.log" 2>&1 &
    program=$!
    status=0
    timeout 120 /usr/bin/python3 "$2" "\\\\127.0.0.94\\daten" 1 2 || status=$?
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    [ "$status" -eq 0 ] || { echo "--- the program said:"; cat "$3/program.log"; }
    [ "$status" -eq 0 ] || xdpyinfo > /dev/null 2>&1 || echo "--- $DISPLAY takes no client now"
    exit "$status"
' _ "$program" "$here/atspi_tree.py" "$work"
