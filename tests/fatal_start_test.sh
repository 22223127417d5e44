#!/usr/bin/env bash
# The real program without its engine library: creating the monitor fails as its queries
# are read, start-up ends in the fatal report, and the exit code is 1. Runs the program on
# a private Xvfb display and answers the report's box as a user would.
set -euo pipefail
program="$1"
work=$(mktemp -d)
cp "$program" "$work/Quellmark"
mkdir -p "$work/prefix/dosdevices"
source "$(dirname "$0")/../scripts/xvfb.sh"
start_xvfb 1024x768x24
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" XDG_RUNTIME_DIR="$work"
unset QT_QPA_PLATFORM
"$work/Quellmark" &
app=$!
if ! box=$(window_of Anwendungsfehler); then
    echo "no fatal report appeared"
    kill "$app" 2>/dev/null || true
    exit 1
fi
if xdotool search --onlyvisible --name '^Quellmark$' >/dev/null 2>&1; then
    echo "the main window was shown before the report"
    exit 1
fi
sleep 0.3
# No window manager runs here: give the box the focus, then press Return through XTEST.
xdotool windowfocus --sync "$box"
xdotool key Return
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
set +e
wait "$app"
code=$?
set -e
echo "exit code $code"
[ "$code" -eq 1 ]
