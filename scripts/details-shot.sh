#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display, opens "Details…" from the preview's
# context menu once discovery is done and saves a screenshot of the dialog to $2.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
show_program "$program"
# The demo's servers answer or refuse at once.
sleep 2
# The preview sits at 24,104 (449 x 200); "Details…" is its context menu's last entry.
xdotool mousemove --window "$main" 200 200 click 3
sleep 0.5
xdotool key Up Return
details=$(window_of "Details")
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window "$details" "$out"
