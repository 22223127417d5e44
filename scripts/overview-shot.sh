#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display, opens "Alle Server…" from the preview's
# context menu once discovery is done and saves a screenshot of that window to $2 once its
# servers have been read.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
show_program "$program"
# The demo's servers answer or refuse at once.
sleep 2
# The preview sits at 24,104 (449 x 200); "Alle Server…" is its context menu's entry before
# the last ("Details…").
xdotool mousemove --window "$main" 200 200 click 3
sleep 0.5
xdotool key Up Up Return
[ "${QUELLMARK_LANG:-de}" = en ] && title="All servers" || title="Alle Server"
overview=$(window_of "$title")
sleep 2
mkdir -p "$(dirname "$out")"
import -window "$overview" "$out"
