#!/usr/bin/env bash
# Builds the Release program, starts the demo servers and takes the screenshots of the
# monitor, of "Alle Server…" and of the "Details…" dialog (README.md, docs/monitor.md,
# docs/deployment.md) into docs/, in German, and into docs/en/ in English with the main
# window (docs/languages.md).
set -euo pipefail
source "$(dirname "$0")/demo.sh"
cd "$quellmark_root"
quellmark_install_packages
trap stop_standin_server EXIT
demo_up
export QUELLMARK_LANG=de
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/monitor-shot.sh "$demo_build/bin/Quellmark" docs
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/details-shot.sh "$demo_build/bin/Quellmark" docs/details.png
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/overview-shot.sh "$demo_build/bin/Quellmark" docs/monitor-overview.png
# The same in English, as a workstation in another language shows them (docs/languages.md).
export QUELLMARK_LANG=en
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/main-shot.sh "$demo_build/bin/Quellmark" docs/en/main.png
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/monitor-shot.sh "$demo_build/bin/Quellmark" docs/en
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/details-shot.sh "$demo_build/bin/Quellmark" docs/en/details.png
WINEPREFIX="$demo_dir/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/overview-shot.sh "$demo_build/bin/Quellmark" docs/en/monitor-overview.png
echo "Screenshots in docs/: monitor-usage.png, monitor-installation.png, monitor-users.png, monitor-holders.png, monitor-servers.png, monitor-history.png, details.png, monitor-overview.png, and the English ones in docs/en/"
