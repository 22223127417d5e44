#!/usr/bin/env bash
# A real Prometheus (Debian's package) scrapes quellmark-check's exporter in the multi-target
# pattern of docs/monitoring/prometheus.yml for two stand-in servers and one dead address;
# the values read back through its query API are those the servers report. promtool accepts
# the exposition text and the alert rules of the docs, and the rules' own tests pass.
#
#   tests/monitoring/prometheus.sh QUELLMARK_CHECK STANDIN_SERVER
check="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
standin_program="$2"
source "$(dirname "$0")/common.sh"
command -v prometheus >/dev/null || fail "prometheus is not installed (packages.txt)"

# Two servers whose counters are fixed, so that what Prometheus holds can be compared.
standin a 127.0.0.31 '{"name":"ALPHA","faults":{"usageRows":[
    {"name":"Users","inUse":47,"maxUsed":48,"configured":50,"rejected":0},
    {"name":"Work Areas","inUse":120,"maxUsed":130,"configured":500,"rejected":0}]}}'
port_a=$standin_port
standin b 127.0.0.32 '{"name":"BETA","faults":{"usageRows":[
    {"name":"Users","inUse":12,"maxUsed":20,"configured":50,"rejected":0},
    {"name":"Connections","inUse":99,"maxUsed":100,"configured":100,"rejected":3}],
    "evalExpiresInDays":9}}'
port_b=$standin_port
dead_port=$(free_port)

exporter_port=$(free_port)
"$check" --listen "127.0.0.1:$exporter_port" --share daten \
    --allow "127.0.0.31:$port_a,127.0.0.32:$port_b" --allow "127.0.0.33:$dead_port" \
    > "$scratch/exporter.log" 2>&1 &
pids+=($!)
wait_for 10 grep -q '^listening' "$scratch/exporter.log" || { cat "$scratch/exporter.log"; fail "exporter"; }

# The exposition text as the exporter serves it passes promtool's lint.
curl -sf "http://127.0.0.1:$exporter_port/probe?target=127.0.0.31:$port_a" > "$scratch/probe.txt"
promtool check metrics < "$scratch/probe.txt" || fail "promtool check metrics (probe)"
curl -sf "http://127.0.0.1:$exporter_port/metrics" > "$scratch/own.txt"
promtool check metrics < "$scratch/own.txt" || fail "promtool check metrics (exporter)"
"$check" "\\\\127.0.0.32:$port_b\\daten" --format prometheus > "$scratch/textfile.prom" || true
promtool check metrics < "$scratch/textfile.prom" || fail "promtool check metrics (textfile)"

# The alert rules of the docs: valid, and their tests pass.
cp "$root/docs/monitoring/ads-alerts.yml" "$here/ads-alerts.test.yml" "$scratch/"
promtool check rules "$scratch/ads-alerts.yml" || fail "promtool check rules"
promtool test rules "$scratch/ads-alerts.test.yml" || fail "promtool test rules"

# The scrape configuration of the docs, its hosts replaced by the ones here.
prom_port=$(free_port)
{
    printf 'global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n'
    sed -e "s/fileserver1:6262/127.0.0.31:$port_a/" -e "s/fileserver2:6262/127.0.0.32:$port_b/" \
        -e "s/10.1.0.30:2001/127.0.0.33:$dead_port/" \
        -e "s/monitoring-host:9463/127.0.0.1:$exporter_port/" \
        -e 's/scrape_interval: 30s/scrape_interval: 1s/' -e 's/scrape_timeout: 15s/scrape_timeout: 1s/' \
        "$root/docs/monitoring/prometheus.yml"
} > "$scratch/prometheus.yml"
grep -q "127.0.0.1:$exporter_port" "$scratch/prometheus.yml" || fail "the docs' example changed shape"
promtool check config "$scratch/prometheus.yml" >/dev/null || fail "promtool check config"
mkdir "$scratch/data"
prometheus --config.file="$scratch/prometheus.yml" --storage.tsdb.path="$scratch/data" \
    --web.listen-address="127.0.0.1:$prom_port" > "$scratch/prometheus.log" 2>&1 &
pids+=($!)
url="http://127.0.0.1:$prom_port"
wait_for 30 curl -sf "$url/-/ready" || { tail -20 "$scratch/prometheus.log"; fail "prometheus did not start"; }

# query EXPR: the value of the one series it selects.
query() {
    promtool query instant "$url" "$1" 2>/dev/null | sed -n 's/.*=> \([^ ]*\) @.*/\1/p' | head -1
}
expect() {
    local expr="$1" want="$2" got=""
    for _ in $(seq 75); do
        got="$(query "$expr")"
        [ "$got" = "$want" ] && { echo "ok: $expr = $got"; return 0; }
        sleep 0.2
    done
    fail "$expr: expected $want, Prometheus holds '${got}'"
}
a="instance=\"127.0.0.31:$port_a\""
b="instance=\"127.0.0.32:$port_b\""
dead="instance=\"127.0.0.33:$dead_port\""
expect "ads_up{$a}" 1
expect "ads_up{$b}" 1
expect "ads_up{$dead}" 0
expect "ads_check_state{$dead}" 2
expect "ads_resource_in_use{$a,resource=\"Users\"}" 47
expect "ads_resource_max_used{$a,resource=\"Users\"}" 48
expect "ads_resource_configured{$a,resource=\"Work Areas\"}" 500
expect "ads_check_state{$a}" 1
expect "ads_resource_in_use{$b,resource=\"Connections\"}" 99
expect "ads_resource_rejected_total{$b,resource=\"Connections\"}" 3
expect "ads_check_state{$b}" 1
expect "count(ads_install_info{$b,version=\"10.10.0.28\",serial=\"QM-4711-0815\"})" 1
# The licence ends at the start of its day (UTC midnight), 9 days on: between 8 and 9 days
# from now whatever the hour, so whole days are counted up.
expect "ceil((ads_eval_expiry_timestamp_seconds{$b} - time()) / 86400)" 9
expect "ads_connected_users{$a} >= bool 1" 1
# The rules loaded into the server see what they should: the dead server is down.
expect "count(ALERTS{alertname=\"AdsServerDown\",$dead})" 1
expect "count(up{job=\"ads_exporter\"} == 1)" 1
echo "prometheus: all values as the servers report them"
