#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display, presses "ADS Remote Check" on the
# first drive and saves screenshots of the monitor's tabs and tools into the folder $2.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
show_program "$program"
sleep 0.5
# "ADS Remote Check" sits at 328,12 (145 x 25) in the main window's client area.
xdotool mousemove --window "$main" 400 24 click 1
monitor=$(window_of "Remote Server Info")
# One timer refresh (every 3 s) after the first, so changed values are marked.
sleep 4
mkdir -p "$out"
# The cursor on "Locks", so that the users' row (47 of 50) shows its headroom mark whole.
xdotool mousemove --window "$monitor" 60 212 click 1
sleep 0.3
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

# Who else holds the user's first table: its context menu's "Wer hat diese Tabelle
# geöffnet?" ("Who has this table open?" in English), after the two copy entries.
xdotool mousemove --window "$monitor" 200 311 click 3
sleep 0.5
xdotool key Down Down Down Return
if [ "${QUELLMARK_LANG:-de}" = en ]; then
    holders=$(window_of "Who has this table open\?")
else
    holders=$(window_of "Wer hat diese Tabelle geöffnet\?")
fi
sleep 1
import -window "$holders" "$out/monitor-holders.png"
# Without a window manager the keyboard stays with the monitor unless told.
xdotool windowfocus --sync "$holders" key Escape
sleep 0.5

# The servers discovery found, from the connect path's drop-down button. The list is a
# window of its own: the screen is cut to the monitor.
xdotool mousemove --window "$monitor" 503 23 click 1
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$monitor")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/monitor-servers.png"
xdotool key Escape

# The history after a few more refreshes.
xdotool mousemove --window "$monitor" 420 78 click 1
sleep 15
import -window "$monitor" "$out/monitor-history.png"
