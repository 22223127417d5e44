#!/usr/bin/env bash
# Builds the Release program, starts the demo servers and takes the README's screenshots
# of the monitor and of the "Details…" dialog into docs/.
set -euo pipefail
source "$(dirname "$0")/setup.sh"
cd "$quellmark_root"
quellmark_install_packages
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELLMARK_TESTS=OFF -DQUELLMARK_BENCH=OFF -DQUELLMARK_WERROR=OFF >/dev/null
cmake --build "$build" --target Quellmark
demo="$quellmark_root/build/demo"
scripts/demo-prefix.sh "$demo/prefix"
"$build/bin/standin-server" --listen 127.0.0.1:6262 --listen 127.0.0.2:2001 \
    --scenario standin/scenarios/demo.json > "$demo/standin-server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^listening' "$demo/standin-server.log" 2>/dev/null && break; sleep 0.05; done
WINEPREFIX="$demo/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/monitor-shot.sh "$build/bin/Quellmark" docs
WINEPREFIX="$demo/prefix" XDG_RUNTIME_DIR="$(mktemp -d)" scripts/details-shot.sh "$build/bin/Quellmark" docs/details.png
echo "Screenshots in docs/: monitor-usage.png, monitor-installation.png, monitor-users.png, details.png"
