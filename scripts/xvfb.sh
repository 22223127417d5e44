# Sourced: a private X display for the scripts that show windows. start_xvfb SCREEN starts
# Xvfb on a display it picks itself, exports DISPLAY once the server accepts clients and
# leaves its pid in $xvfb. window_of TITLE prints the id of the visible window of exactly
# that title, waiting for it up to 30 s; it fails when none appears.
start_xvfb() {
    local displayfile
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$displayfile")"
    rm -f "$displayfile"
}

window_of() {
    local id="" _
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "window \"$1\" did not appear" >&2
    return 1
}
