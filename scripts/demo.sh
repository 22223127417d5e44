# Sourced: the demo, for ./run, the screenshots, the deployment page's JSON and the Windows
# runs under Wine. demo_drives are its drives, as LETTER:LINK (a link "unc/SERVER/SHARE" is
# a network drive); demo_prefix DIR [DRIVE...] makes a Wine prefix of them (or of the drives
# given) in DIR; start_demo_server PROGRAM LOG starts the stand-in server they point at.
# demo_up builds the Release program into $demo_build, makes the prefix $demo_dir/prefix and
# starts that build's server (stop_standin_server ends it).
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$quellmark_root/scripts/standin-server.sh"

demo_build="$quellmark_root/build/release"
demo_dir="$quellmark_root/build/demo"
demo_drives=(
    "f:unc/localhost/daten"           # one server by its name ...
    "g:unc/127.0.0.1/daten"           # ... and by its address: two records
    "h:unc/127.0.0.2/apps/verwaltung" # a folder below a share; answers at 2001
    "k:unc/127.0.0.3/archiv"          # nothing listens there
)

# One process on 127.0.0.1:6262 and 127.0.0.2:2001, with the demo's scenario.
start_demo_server() {
    start_standin_server "$1" "$2" --listen 127.0.0.1:6262 --listen 127.0.0.2:2001 \
        --scenario "$quellmark_root/standin/scenarios/demo.json"
}

# Drive C: is local, which the program does not list. Only the links matter: a drive's
# type is read from its link text, never from its target.
demo_prefix() {
    local prefix="$1" drive
    shift
    [ $# -gt 0 ] || set -- "${demo_drives[@]}"
    rm -rf "$prefix"
    mkdir -p "$prefix/dosdevices" "$prefix/drive_c"
    ln -s ../drive_c "$prefix/dosdevices/c:"
    for drive in "$@"; do
        ln -s "${drive#*:}" "$prefix/dosdevices/${drive%%:*}:"
    done
}

demo_up() {
    quellmark_configure_release "$demo_build" -DQUELLMARK_TESTS=OFF -DQUELLMARK_BENCH=OFF
    cmake --build "$demo_build" --target Quellmark
    demo_prefix "$demo_dir/prefix"
    start_demo_server "$demo_build/bin/standin-server" "$demo_dir/standin-server.log"
}
