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
id=""
for _ in $(seq 150); do
    id=$(xwininfo -display "$DISPLAY" -name "$title" 2>/dev/null | awk '/Window id:/ {print $4}') || true
    [ -n "$id" ] && break
    sleep 0.2
done
[ -n "$id" ] || { echo "window \"$title\" did not appear" >&2; exit 1; }
sleep 1
mkdir -p "$(dirname "$out")"
import -display "$DISPLAY" -window "$id" -frame "$out"
