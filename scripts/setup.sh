#!/usr/bin/env bash
# Installs the Debian packages of a list (packages.txt when none is named) that are missing.
# Sourced by ./run and ./test.
set -euo pipefail

quellmark_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

quellmark_install_packages() {
    local list="${1:-$quellmark_root/packages.txt}"
    local wanted missing=()
    wanted=$(grep -v '^\s*#' "$list" | grep -v '^\s*$')
    for pkg in $wanted; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
