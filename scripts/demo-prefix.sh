#!/usr/bin/env bash
# Builds the demo's Wine prefix in $1: network drives in unc/ links (loopback names only)
# and one local drive.
set -euo pipefail
prefix="$1"
rm -rf "$prefix"
mkdir -p "$prefix/dosdevices" "$prefix/drive_c"
cd "$prefix/dosdevices"
ln -s ../drive_c c:                        # local drive
ln -s unc/localhost/daten f:               # one server by its name ...
ln -s unc/127.0.0.1/daten g:               # ... and by its address: two records
ln -s unc/127.0.0.2/apps/verwaltung h:     # a folder below a share; answers at 2001
ln -s unc/127.0.0.3/archiv k:              # nothing listens there
