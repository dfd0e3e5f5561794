#!/usr/bin/env bash
# The wire tests: the real tool over real sockets between two test hosts.
#   scenarios.sh BUILD_DIR SCENARIO
# Needs root and network namespaces; without them a scenario reports itself
# skipped (status 77), except in CI (CI=true), where that is a failure.
# WIRE_SHOW=1 also prints what the instrument side reported.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "$1" && pwd)
SCENARIO=$2
STATION=$BUILD/station
SIM=$BUILD/instrument_sim
. "$HERE/hosts.sh"

skip() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: cannot run here, and CI must: $*"
        exit 1
    fi
    echo "SKIPPED: $*"
    exit 77
}

fail() {
    echo "FAIL: $*"
    echo "--- station output:"; cat "$HOSTS_TMP/station.out" 2>/dev/null || true; echo
    echo "--- station errors:"; cat "$HOSTS_TMP/station.err" 2>/dev/null || true
    echo "--- instrument:"; cat "$HOSTS_TMP/instrument.out" 2>/dev/null || true
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip "needs root for network namespaces"
command -v ip >/dev/null || skip "needs ip (iproute2)"
probe=wire-probe-$$-$RANDOM
ip netns add "$probe" 2>/dev/null || skip "network namespaces are not available"
ip netns del "$probe"

HEAD=$'Using Winsock to setup socket...Succesful!\nCreating socket...Sockets created.\nBinding sockets to their addresses and ports:\n\tCreating a socket with the address of 0.0.0.0:67\n\tCreating a socket with the address of 10.1.1.100:67\n\tCreating a socket with the address of 255.255.255.255:68\n\tCreating a socket with the address of 10.1.1.101:123\n\tCreating a socket with the address of 10.1.1.100:0\nStarting to bind...'
LISTENING=$'Bind done\nListening on computer port 67 for Agilent broadcast.\n'
REJECTED=$'We are looking for a packet from 0.0.0.0, so this message was rejected\n'
SERVED=$'Waiting for data...Received packet from 0.0.0.0 from their port 68\n\tParsing\nSending a reply to Agilent BootP\n'
DONE='-----DONE!-----'

# expect_transcript TEXT: the station's standard output is TEXT, byte for byte.
expect_transcript() {
    printf '%s' "$1" >"$HOSTS_TMP/expected.out"
    if ! cmp -s "$HOSTS_TMP/expected.out" "$HOSTS_TMP/station.out"; then
        diff <(cat -A "$HOSTS_TMP/expected.out") <(cat -A "$HOSTS_TMP/station.out") || true
        fail "the station's transcript differs (expected <, got >)"
    fi
}

expect_status() {
    [ "$STATION_STATUS" -eq "$1" ] || fail "the station exited $STATION_STATUS, expected $1"
}

start_station() {
    in_station_background "$@"
    wait_for_text "$HOSTS_TMP/station.out" "Listening on computer port 67" 10 || fail "the station is not listening"
}

run_instrument() {
    local status=0
    ip netns exec "$INS" "$SIM" --interface "$INS_IF" "$@" >"$HOSTS_TMP/instrument.out" 2>&1 || status=$?
    return $status
}

# The schedule and offsets the instrument measured, within their bounds.
check_time_messages() {
    local line schedule offsets
    line=$(grep -o 'schedule_ms=.*' "$HOSTS_TMP/instrument.out") || fail "no schedule reported"
    schedule=$(sed 's/schedule_ms=\([^ ]*\).*/\1/' <<<"$line")
    offsets=$(sed 's/.*offsets_s=//' <<<"$line")
    awk -F, -v s="$schedule" 'BEGIN {
        split(s, t, ","); want[1] = 1000; want[2] = 3000; want[3] = 6000
        for (i = 1; i <= 3; i++) if (t[i] < want[i] - 300 || t[i] > want[i] + 300) exit 1
        if (t[2] - t[1] < 1700 || t[2] - t[1] > 2300 || t[3] - t[2] < 2700 || t[3] - t[2] > 3300) exit 1
    }' || fail "time messages at $schedule ms after the reply, expected 1000, 3000, 6000 (gaps 2000, 3000) within 300 ms"
    awk -v s="$offsets" 'BEGIN { n = split(s, o, ","); for (i = 1; i <= n; i++) if (o[i] < -2 || o[i] > 2) exit 1 }' ||
        fail "time offsets $offsets s, expected within 2 s"
}

scenario_full() {
    hosts_up
    start_station "$STATION"
    run_instrument --foreign 1 || fail "the instrument did not get its address and time"
    wait_station 15
    expect_status 0
    expect_transcript "$HEAD$LISTENING"$'Waiting for data...Received packet from 10.1.1.77 from their port 68\n'"$REJECTED$SERVED$DONE"
    check_time_messages
    grep -q 'the reply matches the layout expected from the request' "$HOSTS_TMP/instrument.out" || fail "reply not checked"
}

# A real DHCP client's hook, confined to the test host: it only sets the address.
write_client_hook() {
    cat >"$HOSTS_TMP/hook" <<'HOOK'
#!/bin/sh
case "$reason" in
    PREINIT) ip link set "$interface" up ;;
    BOUND|RENEW|REBIND|REBOOT) ip -4 addr replace "$new_ip_address/$new_subnet_mask" dev "$interface" ;;
esac
exit 0
HOOK
    chmod 755 "$HOSTS_TMP/hook"
}

expect_instrument_address() {
    ip -n "$INS" -4 addr show dev "$INS_IF" | grep -q 'inet 10\.1\.1\.101/24' ||
        fail "the client's interface does not carry 10.1.1.101/24: $(ip -n "$INS" -4 -brief addr show dev "$INS_IF")"
}

scenario_dhclient() {
    command -v dhclient >/dev/null || skip "needs dhclient (isc-dhcp-client)"
    hosts_up
    write_client_hook
    start_station "$STATION"
    local status=0
    ip netns exec "$INS" dhclient -1 -4 -v -sf "$HOSTS_TMP/hook" -lf "$HOSTS_TMP/dhclient.leases" \
        -pf "$HOSTS_TMP/dhclient.pid" "$INS_IF" >"$HOSTS_TMP/instrument.out" 2>&1 || status=$?
    # It went to the background once bound: stop it by the pid it wrote.
    [ -s "$HOSTS_TMP/dhclient.pid" ] && HOSTS_PIDS+=("$(cat "$HOSTS_TMP/dhclient.pid")")
    [ "$status" -eq 0 ] || fail "dhclient exited $status"
    wait_station 15
    expect_status 0
    expect_transcript "$HEAD$LISTENING$SERVED$DONE"
    expect_instrument_address
    grep -q 'BOOTREPLY of 10.1.1.101 from 10.1.1.100' "$HOSTS_TMP/instrument.out" || fail "dhclient did not report a BOOTREPLY"
}

scenario_hostile() {
    local burst=200
    hosts_up --mtu 9000
    start_station "$STATION"
    run_instrument --foreign "$burst" || fail "the instrument was not served after the burst"
    wait_station 15
    expect_status 0
    local rejected
    rejected=$(grep -c 'so this message was rejected' "$HOSTS_TMP/station.out" || true)
    [ "$rejected" -eq "$burst" ] || fail "$rejected of $burst foreign datagrams were rejected"
    local out
    out=$(cat "$HOSTS_TMP/station.out"; echo x)
    out=${out%x}
    [[ "$out" == "$HEAD$LISTENING"*"$REJECTED$SERVED$DONE" ]] || fail "the run did not end with the instrument served"
    check_time_messages
}

scenario_port_taken() {
    hosts_up
    # Another program holding port 67: a first station, waiting.
    start_station "$STATION"
    local holder=$STATION_PID before
    before=$(tx_packets "$STN" "$STN_IF")
    ip netns exec "$STN" "$STATION" >"$HOSTS_TMP/station.out" 2>"$HOSTS_TMP/station.err" && STATION_STATUS=0 ||
        STATION_STATUS=$?
    expect_status 1
    expect_transcript "${HEAD}Bind failed with error code : 98"
    [ "$(tx_packets "$STN" "$STN_IF")" = "$before" ] || fail "the station sent something"
    STATION_PID=$holder
    stop_station
}

scenario_no_address() {
    hosts_up --no-station-address
    start_station "$STATION"
    local status=0
    run_instrument --reply-timeout 3 || status=$?
    wait_station 10
    expect_status 1
    expect_transcript "$HEAD$LISTENING"$'Waiting for data...Received packet from 0.0.0.0 from their port 68\n\tParsing\nSending a reply to Agilent BootP\nBind failed with error code : 99'
    [ "$status" -eq 1 ] && grep -q 'FAILED: no reply within 3 s' "$HOSTS_TMP/instrument.out" ||
        fail "the instrument should have had no reply"
    [ "$(tx_packets "$STN" "$STN_IF")" = 0 ] || fail "the station sent something"
}

scenario_unprivileged() {
    command -v setpriv >/dev/null || skip "needs setpriv (util-linux)"
    command -v setcap >/dev/null || skip "needs setcap (libcap2-bin)"
    hosts_up
    local dir=$HOSTS_TMP/bin
    mkdir -m 755 "$dir"
    chmod 755 "$HOSTS_TMP"
    cp "$STATION" "$dir/station"
    chmod 755 "$dir/station"
    local as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

    ip netns exec "$STN" "${as_nobody[@]}" "$dir/station" >"$HOSTS_TMP/station.out" 2>"$HOSTS_TMP/station.err" &&
        STATION_STATUS=0 || STATION_STATUS=$?
    expect_status 1
    expect_transcript "${HEAD}Bind failed with error code : 13"

    setcap cap_net_bind_service=+ep "$dir/station"
    start_station "${as_nobody[@]}" "$dir/station"
    run_instrument || fail "the instrument was not served by the unprivileged station"
    wait_station 15
    expect_status 0
    expect_transcript "$HEAD$LISTENING$SERVED$DONE"
}

scenario_dhcpcd() {
    command -v dhcpcd >/dev/null || skip "needs dhcpcd (dhcpcd-base)"
    hosts_up
    write_client_hook
    start_station "$STATION"
    local status=0 lease=/var/lib/dhcpcd/$INS_IF.lease duid_was_there=no
    [ -e /var/lib/dhcpcd/duid ] && duid_was_there=yes
    # One try, IPv4 only, in the foreground; the hook stands in for its own scripts.
    # It keeps its lease where it always does, under a name only this run uses.
    ip netns exec "$INS" timeout 20 dhcpcd --oneshot --ipv4only --nobackground --noarp --debug \
        --script "$HOSTS_TMP/hook" --timeout 10 "$INS_IF" >"$HOSTS_TMP/instrument.out" 2>&1 || status=$?
    rm -f "$lease"
    [ "$duid_was_there" = yes ] || rm -f /var/lib/dhcpcd/duid
    wait_station 15
    expect_status 0
    [ "$status" -eq 0 ] || fail "dhcpcd exited $status"
    grep -q 'leased 10.1.1.101 for infinity' "$HOSTS_TMP/instrument.out" || fail "dhcpcd did not take the BOOTP reply"
    expect_instrument_address
}

# A whole run under valgrind's memcheck: no error, and no leak of the tool's own.
scenario_memcheck() {
    command -v valgrind >/dev/null || skip "needs valgrind"
    hosts_up
    start_station valgrind --error-exitcode=3 --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --log-file="$HOSTS_TMP/valgrind.log" "$STATION"
    run_instrument --foreign 4 || fail "the instrument was not served under valgrind"
    wait_station 60
    grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|in use at exit|total heap usage' "$HOSTS_TMP/valgrind.log" |
        sed 's/^==[0-9]*== */valgrind: /'
    [ "$STATION_STATUS" -ne 3 ] || { cat "$HOSTS_TMP/valgrind.log"; fail "memcheck found errors or leaks"; }
    expect_status 0
    grep -q 'ERROR SUMMARY: 0 errors' "$HOSTS_TMP/valgrind.log" || fail "memcheck did not report a clean run"
    local from foreign=""
    for from in 10.1.1.77 0.0.0.0 10.1.1.150 10.1.1.77; do  # the simulator's four kinds, in turn
        foreign+="Waiting for data...Received packet from $from from their port 68"$'\n'"$REJECTED"
    done
    expect_transcript "$HEAD$LISTENING$foreign$SERVED$DONE"
}

# The Windows build, under Wine. Wine's sockets belong to its wineserver, so
# each run has a prefix of its own and starts its server in the station's
# namespace. Wine binds a missing address as the wildcard: not tested here.
wine_up() {
    [ -n "${STATION_EXE:-}" ] && [ -f "$STATION_EXE" ] || skip "needs the Windows build (STATION_EXE)"
    command -v wine >/dev/null && command -v wineserver >/dev/null || skip "needs wine"
    export WINEPREFIX=$HOSTS_TMP/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    ip netns exec "$STN" wineserver -p
    HOSTS_ON_EXIT+=('ip netns exec "$STN" wineserver -k')
    ip netns exec "$STN" wineboot -i >/dev/null 2>&1
}

# A Windows console writes CR LF: the transcript is compared without the CRs,
# after checking that every line end has one.
windows_transcript_to_unix() {
    local lf crlf
    lf=$(tr -cd '\n' <"$HOSTS_TMP/station.out" | wc -c)
    crlf=$(grep -c $'\r$' "$HOSTS_TMP/station.out" || true)
    [ "$lf" -eq "$crlf" ] || fail "$crlf of $lf line ends are CR LF"
    tr -d '\r' <"$HOSTS_TMP/station.out" >"$HOSTS_TMP/station.unix"
    mv "$HOSTS_TMP/station.unix" "$HOSTS_TMP/station.out"
}

scenario_windows_full() {
    hosts_up
    wine_up
    start_station wine "$STATION_EXE"
    run_instrument --foreign 1 || fail "the instrument did not get its address and time from the Windows build"
    wait_station 20
    expect_status 0
    windows_transcript_to_unix
    expect_transcript "$HEAD$LISTENING"$'Waiting for data...Received packet from 10.1.1.77 from their port 68\n'"$REJECTED$SERVED$DONE"
    check_time_messages
}

scenario_windows_port_taken() {
    hosts_up
    wine_up
    start_station "$STATION"
    local holder=$STATION_PID
    ip netns exec "$STN" wine "$STATION_EXE" >"$HOSTS_TMP/station.out" 2>"$HOSTS_TMP/station.err" &&
        STATION_STATUS=0 || STATION_STATUS=$?
    expect_status 1
    windows_transcript_to_unix
    expect_transcript "${HEAD}Bind failed with error code : 10048"
    STATION_PID=$holder
    stop_station
}

[ -x "$STATION" ] && [ -x "$SIM" ] || { echo "FAIL: build $STATION and $SIM first"; exit 1; }
declare -F "scenario_$SCENARIO" >/dev/null || { echo "FAIL: no scenario $SCENARIO"; exit 1; }
"scenario_$SCENARIO"
if [ -n "${WIRE_SHOW:-}" ]; then cat "$HOSTS_TMP/instrument.out"; fi
echo "PASS: $SCENARIO"
