#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display, presses "ADS Remote Check" on the
# first drive and saves screenshots of the monitor's tabs into the folder $2.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 1280x900x24
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
"$program" &
app=$!
main=$(window_of "Quellmark")
sleep 0.5
# "ADS Remote Check" sits at 328,12 (145 x 25) in the main window's client area.
xdotool mousemove --window "$main" 400 24 click 1
monitor=$(window_of "Remote Server Info")
# One timer refresh (every 3 s) after the first, so changed values are marked.
sleep 4
mkdir -p "$out"
import -window "$monitor" "$out/monitor-usage.png"
# The tabs sit right under the 66-pixel panel.
xdotool mousemove --window "$monitor" 198 78 click 1
sleep 0.5
import -window "$monitor" "$out/monitor-installation.png"
xdotool mousemove --window "$monitor" 320 78 click 1
sleep 0.5
# The second connected user, whose open tables then show below.
xdotool mousemove --window "$monitor" 100 127 click 1
# The next refresh keeps the user selected and marks what changed.
sleep 3.5
import -window "$monitor" "$out/monitor-users.png"
