# Sourced: start_standin_server PROGRAM LOG [ARGUMENT...] starts the stand-in database
# server in the background with its output in LOG, leaves its pid in $standin_server and
# returns once it has printed its listening line; when it does not within 10 s, it shows
# the log and fails. stop_standin_server ends it.
start_standin_server() {
    local program="$1" log="$2"
    shift 2
    "$program" "$@" > "$log" 2>&1 &
    standin_server=$!
    local _
    for _ in $(seq 200); do
        grep -q '^listening' "$log" 2>/dev/null && return 0
        kill -0 "$standin_server" 2>/dev/null || break
        sleep 0.05
    done
    echo "the stand-in server did not start:" >&2
    cat "$log" >&2
    return 1
}

stop_standin_server() {
    [ -n "${standin_server:-}" ] || return 0
    kill "$standin_server" 2>/dev/null || true
    wait "$standin_server" 2>/dev/null || true
    standin_server=""
}
