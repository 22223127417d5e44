# Sourced: a private X display for the scripts that show windows. start_xvfb SCREEN starts
# Xvfb on a display it picks itself, exports DISPLAY once the server accepts clients and
# leaves its pid in $xvfb. window_of TITLE prints the id of the visible window of exactly
# that title, waiting for it up to 30 s; it fails when none appears. show_program PROGRAM
# starts PROGRAM on a new display of 1280x900, killed with it at exit, its pid in $app and
# its main window "Quellmark" in $main. keys WINDOW KEY... types into a window;
# settled_preview_of WINDOW prints the main window's preview as a user copies it.
#
# -noreset: by default the server starts over when its last client leaves and takes none
# meanwhile; a client that comes and goes at the start (the accessibility bus's launcher,
# which publishes the bus on the root window) would leave the program no display.
start_xvfb() {
    local displayfile
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
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

show_program() {
    start_xvfb 1280x900x24
    trap 'kill $app $xvfb 2>/dev/null || true' EXIT
    "$1" &
    app=$!
    main=$(window_of "Quellmark")
}

# keys WINDOW KEY...: types into that window (activated where a window manager lets it, else
# given the focus).
keys() {
    local id="$1"
    shift
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    xdotool key --delay 80 "$@"
}

# settled_preview_of WINDOW: the preview pane's text, copied as a user would (tab order:
# drives, UNC path, preview), once discovery is done: servers are probed after the window
# shows, and until then the pane shows progress. Leaves the focus on the preview. Needs
# xclip.
settled_preview_of() {
    local text="" _
    keys "$1" Tab Tab
    for _ in $(seq 40); do
        printf '' | xclip -selection clipboard
        keys "$1" ctrl+a ctrl+c
        sleep 0.5
        text="$(xclip -o -selection clipboard | tr -d '\r')"
        [ -n "$text" ] && ! grep -q 'werden gesucht' <<< "$text" && break
    done
    printf '%s\n' "$text"
}
