#!/usr/bin/env bash
# Sourced by the scripts that build: quellmark_install_packages [LIST] installs the Debian
# packages of a list (packages.txt when none is named) that are missing;
# quellmark_configure_release BUILD [CMAKE OPTION...] configures a Release build there.
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

# Warnings stay warnings here; ./test makes them errors.
quellmark_configure_release() {
    local build="$1"
    shift
    cmake -S "$quellmark_root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELLMARK_WERROR=OFF "$@" > /dev/null
}
