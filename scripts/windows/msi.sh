#!/usr/bin/env bash
# Makes Quellmark-VERSION-win64.msi from a staged package folder (what package.sh zips) with
# Debian's wixl: every file of the folder into Program Files\Quellmark, and the Start-menu
# shortcut of Quellmark.wxs.
#
#   scripts/windows/msi.sh STAGE VERSION OUTPUT_FOLDER   # prints the MSI's path
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"
stage="$(cd "$1" && pwd)"
version="$2"
out="$(cd "$3" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One component per file, grouped as CG.files, harvested from the folder.
(cd "$stage" && find . -type f | LC_ALL=C sort |
    wixl-heat -p ./ --component-group CG.files --var var.SourceDir --directory-ref INSTALLDIR \
        --win64) > "$work/files.wxs"

msi="$out/Quellmark-$version-win64.msi"
rm -f "$msi"
# wixl takes sources relative to the folder it runs in.
(cd "$stage" && wixl --arch x64 -D Version="$version" -D SourceDir=. -D Win64=yes \
    -o "$msi" "$quellmark_root/scripts/windows/Quellmark.wxs" "$work/files.wxs")
echo "$msi"
