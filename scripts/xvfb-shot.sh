#!/usr/bin/env bash
# Runs a program on a private Xvfb display, waits for its window titled $2, saves a
# screenshot of that window to $3 and ends the program.
set -euo pipefail
program="$1" title="$2" out="$3"
source "$(dirname "$0")/xvfb.sh"
start_xvfb 1280x800x24
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
"$program" &
app=$!
id=$(window_of "$title")
sleep 1
mkdir -p "$(dirname "$out")"
import -display "$DISPLAY" -window "$id" -frame "$out"
