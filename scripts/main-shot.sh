#!/usr/bin/env bash
# Starts the demo program on a private Xvfb display and saves a screenshot of the main window
# to $2 once the demo's servers have answered.
set -euo pipefail
program="$1" out="$2"
source "$(dirname "$0")/xvfb.sh"
show_program "$program"
sleep 2
mkdir -p "$(dirname "$out")"
import -window "$main" "$out"
