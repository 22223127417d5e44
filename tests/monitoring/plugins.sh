#!/usr/bin/env bash
# quellmark-check as the monitoring systems of the docs run it: a real Nagios 4 (Debian's
# package, headless, its files in a scratch folder) runs the command and service of
# docs/monitoring/nagios.cfg against a stand-in server and a dead address, and the states it
# records are read back; Icinga 2 validates docs/monitoring/icinga2.conf; the Checkmk local
# check and the windows_exporter task of the docs run their command lines here.
#
#   tests/monitoring/plugins.sh QUELLMARK_CHECK STANDIN_SERVER
check="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
standin_program="$2"
source "$(dirname "$0")/common.sh"
docs="$root/docs/monitoring"

# The page shows the examples that these tests run: each block is its file, as it is.
examples=$(sed -n 's/^<!-- example: \(.*\) -->$/\1/p' "$root/docs/monitoring.md")
[ "$(echo "$examples" | wc -l)" -ge 6 ] || fail "docs/monitoring.md lost its examples"
for example in $examples; do
    sed -n "\|^<!-- example: $example -->\$|,\|^\`\`\`\$|p" "$root/docs/monitoring.md" |
        sed '1,2d;$d' > "$scratch/page-example"
    cmp -s "$scratch/page-example" "$root/docs/$example" ||
        { diff "$scratch/page-example" "$root/docs/$example"; fail "docs/monitoring.md shows another $example"; }
done

standin ads 127.0.0.41 '{"name":"GAMMA","faults":{"usageRows":[
    {"name":"Users","inUse":47,"maxUsed":48,"configured":50,"rejected":0},
    {"name":"Work Areas","inUse":120,"maxUsed":130,"configured":500,"rejected":0}]}}'
port=$standin_port
dead_port=$(free_port)

# --- Nagios 4 ---------------------------------------------------------------------------
command -v nagios4 >/dev/null || fail "nagios4 is not installed (packages.txt)"
n="$scratch/nagios"
mkdir -p "$n/results"
# The docs' command and service, pointed at the program built here; the service's template
# and the host come from this file.
sed -e "s|/usr/local/bin/quellmark-check|$check|" -e 's/^\(\s*use\s.*\)$/#\1/' \
    "$docs/nagios.cfg" > "$n/docs.cfg"
grep -q "command_line    $check --server" "$n/docs.cfg" || fail "the docs' Nagios example changed shape"
cat > "$n/objects.cfg" <<CFG
define timeperiod {
    timeperiod_name always
    alias always
    monday 00:00-24:00
    tuesday 00:00-24:00
    wednesday 00:00-24:00
    thursday 00:00-24:00
    friday 00:00-24:00
    saturday 00:00-24:00
    sunday 00:00-24:00
}
define command {
    command_name nothing
    command_line /bin/true
}
define contact {
    contact_name nobody
    host_notifications_enabled 0
    service_notifications_enabled 0
    host_notification_period always
    service_notification_period always
    host_notification_options n
    service_notification_options n
    host_notification_commands nothing
    service_notification_commands nothing
}
define host {
    name generic-host
    check_command nothing
    max_check_attempts 1
    check_period always
    contacts nobody
    notification_period always
    register 0
}
define service {
    name generic-service
    max_check_attempts 1
    retry_interval 1
    check_period always
    contacts nobody
    notification_period always
    register 0
}
define host {
    use generic-host
    host_name fileserver1
    address 127.0.0.41
}
define host {
    use generic-host
    host_name deadserver
    address 127.0.0.43
}
define service {
    use generic-service
    host_name deadserver
    service_description ADS headroom
    check_command check_ads!$dead_port!daten!90!100
}
CFG
# The docs' service, at the stand-in server's port, with its template back.
sed -i -e "s/check_ads!6262!/check_ads!$port!/" -e 's/^#\(\s*use\s.*\)$/\1/' "$n/docs.cfg"
cat > "$n/nagios.cfg" <<CFG
log_file=$n/nagios.log
cfg_file=$n/objects.cfg
cfg_file=$n/docs.cfg
status_file=$n/status.dat
status_update_interval=1
temp_file=$n/nagios.tmp
temp_path=$n
lock_file=$n/nagios.lock
state_retention_file=$n/retention.dat
retain_state_information=0
command_file=$n/nagios.cmd
check_result_path=$n/results
object_cache_file=$n/objects.cache
precached_object_file=$n/objects.precache
nagios_user=$(id -un)
nagios_group=$(id -gn)
interval_length=1
max_service_check_spread=1
max_host_check_spread=1
execute_host_checks=0
enable_notifications=0
use_syslog=0
CFG
nagios4 -v "$n/nagios.cfg" > "$n/verify.log" 2>&1 || { cat "$n/verify.log"; fail "nagios4 -v"; }
nagios4 "$n/nagios.cfg" > "$n/run.log" 2>&1 &
pids+=($!)

# The service's block in status.dat, once Nagios has checked it.
service_status() {
    awk -v host="$1" '/^servicestatus \{/ { inside = 1; block = "" }
        inside { block = block $0 "\n" }
        inside && /^\t}/ { inside = 0; if (block ~ "\thost_name=" host "\n") printf "%s", block }' \
        "$n/status.dat" 2>/dev/null
}
checked() { service_status "$1" | grep -q 'has_been_checked=1'; }
wait_for 40 checked fileserver1 || { tail -20 "$n/nagios.log"; fail "Nagios did not check fileserver1"; }
wait_for 20 checked deadserver || { tail -20 "$n/nagios.log"; fail "Nagios did not check deadserver"; }
live="$(service_status fileserver1)"
down="$(service_status deadserver)"
echo "$live" | grep -q 'current_state=1$' || { echo "$live"; fail "fileserver1 should be WARNING"; }
echo "$live" | grep -q 'plugin_output=ADS WARNING - Users 47 of 50 (94 %)$' ||
    { echo "$live"; fail "fileserver1's output"; }
echo "$live" | grep -q "performance_data=Users=47;44;49;0;50 'Work Areas'=120;449;499;0;500 " ||
    { echo "$live"; fail "fileserver1's performance data"; }
echo "$down" | grep -q 'current_state=2$' || { echo "$down"; fail "deadserver should be CRITICAL"; }
echo "$down" | grep -q 'plugin_output=ADS CRITICAL - ' || { echo "$down"; fail "deadserver's output"; }
echo "nagios: WARNING and CRITICAL as the plugin said"

# --- Icinga 2: the docs' CheckCommand and apply rule validate -----------------------------
if command -v icinga2 >/dev/null; then
    i="$scratch/icinga2"
    mkdir -p "$i/data" "$i/log" "$i/cache" "$i/spool" "$i/run"
    printf 'include <itl>\ninclude "%s"\n' "$docs/icinga2.conf" > "$i/main.conf"
    ICINGA2_USER="$(id -un)" ICINGA2_GROUP="$(id -gn)" icinga2 daemon -C -c "$i/main.conf" \
        -DDataDir="$i/data" -DLogDir="$i/log" -DCacheDir="$i/cache" -DSpoolDir="$i/spool" \
        -DInitRunDir="$i/run" > "$i/validate.log" 2>&1 || { cat "$i/validate.log"; fail "icinga2 -C"; }
    grep -q 'Instantiated 1 Service' "$i/validate.log" || { cat "$i/validate.log"; fail "the apply rule"; }
    echo "icinga2: the docs' configuration validates"
else
    fail "icinga2 is not installed (packages.txt)"
fi

# --- Checkmk: the docs' local check, its servers the stand-in and the dead address ---------
sed -e "s|/usr/local/bin/quellmark-check|$check|" \
    -e "s/fileserver1:6262 fileserver2:6262/127.0.0.41:$port 127.0.0.43:$dead_port/" \
    "$docs/checkmk-local.sh" > "$scratch/checkmk-local.sh"
sh "$scratch/checkmk-local.sh" > "$scratch/checkmk.out" || fail "the local check did not exit 0"
sed -n 1p "$scratch/checkmk.out" | grep -Eq "^1 ADS_127\.0\.0\.41_$port users=47;45;50;0;50\|work_areas=120;450;500;0;500\|connected_users=[0-9]+\|time=[0-9.]+ Users 47 of 50 \(94 %\)$" ||
    { cat "$scratch/checkmk.out"; fail "the Checkmk line"; }
sed -n 2p "$scratch/checkmk.out" | grep -Eq "^2 ADS_127\.0\.0\.43_$dead_port time=[0-9.]+ " ||
    { cat "$scratch/checkmk.out"; fail "the Checkmk line of the dead server"; }
[ "$(wc -l < "$scratch/checkmk.out")" -eq 2 ] || fail "one line per server"
echo "checkmk: one local check line per server"

# --- windows_exporter: the scheduled task's command lines, with Linux paths ----------------
grep -c 'quellmark-check.exe" --server' "$docs/windows-textfile.cmd" | grep -qx 2 ||
    fail "the docs' textfile task changed shape"
grep 'quellmark-check.exe" --server fileserver1' "$docs/windows-textfile.cmd" | tr -d '\r' |
    sed -e "s|\"C:\\\\Program Files\\\\Quellmark\\\\quellmark-check.exe\"|\"$check\"|" \
        -e "s|fileserver1:6262|127.0.0.41:$port|" \
        -e "s|\"C:\\\\Program Files\\\\windows_exporter\\\\textfile_inputs\\\\|\"$scratch/|" \
        > "$scratch/task.sh"
grep -q "^\"$check\" --server 127.0.0.41:$port .* --output \"$scratch/ads_fileserver1.prom\"$" "$scratch/task.sh" ||
    { cat "$scratch/task.sh"; fail "the task's line did not translate"; }
sh "$scratch/task.sh" || true
[ -s "$scratch/ads_fileserver1.prom" ] || fail "the textfile was not written"
grep -q "^ads_resource_in_use{server=\"127.0.0.41:$port\",resource=\"Users\"} 47$" "$scratch/ads_fileserver1.prom" ||
    { cat "$scratch/ads_fileserver1.prom"; fail "the textfile's values"; }
[ "$(tail -c1 "$scratch/ads_fileserver1.prom" | od -An -c | tr -d ' ')" = '\n' ] || fail "no final newline"
if command -v promtool >/dev/null; then
    promtool check metrics < "$scratch/ads_fileserver1.prom" || fail "promtool check metrics"
fi
echo "windows_exporter: the task's textfile as the collector reads it"
