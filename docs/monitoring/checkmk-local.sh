#!/bin/sh
# Checkmk local check: one line per database server. Copy to the agent's local folder
# (/usr/lib/check_mk_agent/local/ads on Linux), make it executable; the Checkmk agent runs
# it at every poll and the services appear on the host ("ADS_fileserver1_6262").
for server in fileserver1:6262 fileserver2:6262; do
    /usr/local/bin/quellmark-check --server "$server" --share daten --format checkmk -t 20
done
exit 0
