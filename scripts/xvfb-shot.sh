#!/usr/bin/env bash
# Runs a program on a private Xvfb display, waits for its window titled $2, saves a
# screenshot of that window to $3 and ends the program.
set -euo pipefail
program="$1" title="$2" out="$3"
displayfile=$(mktemp)
# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
display=":$(head -n 1 "$displayfile")"
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
DISPLAY="$display" "$program" &
app=$!
id=""
for _ in $(seq 150); do
    id=$(xwininfo -display "$display" -name "$title" 2>/dev/null | awk '/Window id:/ {print $4}') || true
    [ -n "$id" ] && break
    sleep 0.2
done
[ -n "$id" ] || { echo "window \"$title\" did not appear" >&2; exit 1; }
sleep 1
mkdir -p "$(dirname "$out")"
import -display "$display" -window "$id" -frame "$out"
