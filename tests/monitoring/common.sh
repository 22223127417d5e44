# Sourced by the tests that run real monitoring systems against quellmark-check: a scratch
# folder removed at exit with every process started here, free loopback ports, and waiting.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/scripts/standin-server.sh"
scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# A port that is free on 127.0.0.1 now.
free_port() {
    local port
    for _ in $(seq 50); do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
    done
    return 1
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds.
wait_for() {
    local seconds="$1"
    shift
    local tries=$((seconds * 5))
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

# standin NAME ADDRESS SCENARIO_JSON: a stand-in server on ADDRESS:0, its port in
# $standin_port. Not in a command substitution: its process must be known here to be ended.
standin() {
    local name="$1" address="$2" scenario="$3"
    printf '%s\n' "$scenario" > "$scratch/$name.json"
    start_standin_server "$standin_program" "$scratch/$name.log" --listen "$address:0" \
        --scenario "$scratch/$name.json" >&2
    pids+=("$standin_server")
    standin_port=$(sed -n 's/^listening [0-9.]*:\([0-9]*\).*/\1/p' "$scratch/$name.log" | head -1)
}
