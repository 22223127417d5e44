#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display, opens "Details…" from the preview's
# context menu once discovery is done and saves a screenshot of the dialog to $2.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 1280x900x24
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
"$program" &
app=$!
wait_for() {
    local id=""
    for _ in $(seq 150); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    echo "window \"$1\" did not appear" >&2
    return 1
}
main=$(wait_for "Quellmark")
# The demo's servers answer or refuse at once.
sleep 2
# The preview sits at 24,104 (449 x 200); "Details…" is its context menu's last entry.
xdotool mousemove --window "$main" 200 200 click 3
sleep 0.5
xdotool key Up Return
details=$(wait_for "Details")
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window "$details" "$out"
