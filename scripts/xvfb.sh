# Sourced: start_xvfb SCREEN starts a private Xvfb on a display it picks itself, exports
# DISPLAY once the server accepts clients and leaves its pid in $xvfb.
start_xvfb() {
    local displayfile
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$displayfile")"
    rm -f "$displayfile"
}
