# Test hosts for the wire tests and the demo: a station and an instrument in
# two network namespaces of their own, joined by a veth pair. Nothing here
# touches the host namespace's interfaces, and nothing is sent from it.
# shellcheck shell=bash

INSTRUMENT_MAC=00:01:e6:02:e4:51
STATION_ADDRESS=10.1.1.100/24

HOSTS_PIDS=()
HOSTS_TMP=""
HOSTS_ON_EXIT=()  # commands to run before the namespaces go

# hosts_up [--mtu N] [--no-station-address]: makes the pair; every exit removes it.
hosts_up() {
    local mtu=1500 station_address=yes
    while [ $# -gt 0 ]; do
        case "$1" in
            --mtu) mtu=$2; shift ;;
            --no-station-address) station_address=no ;;
        esac
        shift
    done
    local id
    id=$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')
    STN=wire-stn-$id
    INS=wire-ins-$id
    STN_IF=vs$id
    INS_IF=vi$id
    HOSTS_TMP=$(mktemp -d)
    trap hosts_down EXIT
    trap 'exit 130' INT TERM
    ip netns add "$STN"
    ip netns add "$INS"
    ip link add "$STN_IF" netns "$STN" mtu "$mtu" type veth peer name "$INS_IF" netns "$INS" mtu "$mtu"
    local ns
    for ns in "$STN" "$INS"; do
        # No IPv6 chatter: the tests count what crosses the wire.
        ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
        ip -n "$ns" link set lo up
    done
    ip -n "$INS" link set "$INS_IF" address "$INSTRUMENT_MAC"
    if [ "$station_address" = yes ]; then
        ip -n "$STN" addr add "$STATION_ADDRESS" dev "$STN_IF"
    fi
    ip -n "$STN" link set "$STN_IF" up
    ip -n "$INS" link set "$INS_IF" up
}

hosts_down() {
    local pid command
    for command in "${HOSTS_ON_EXIT[@]}"; do
        eval "$command" || true
    done
    for pid in "${HOSTS_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${HOSTS_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    HOSTS_PIDS=()
    [ -n "${STN:-}" ] && ip netns del "$STN" 2>/dev/null
    [ -n "${INS:-}" ] && ip netns del "$INS" 2>/dev/null
    [ -n "$HOSTS_TMP" ] && rm -rf "$HOSTS_TMP"
    return 0
}

# in_station CMD...: runs CMD in the station's namespace, in the background;
# its pid is STATION_PID, its output in $HOSTS_TMP/station.out and .err.
in_station_background() {
    ip netns exec "$STN" "$@" >"$HOSTS_TMP/station.out" 2>"$HOSTS_TMP/station.err" </dev/null &
    STATION_PID=$!
    HOSTS_PIDS+=("$STATION_PID")
}

# wait_for_text FILE TEXT SECONDS: waits until FILE holds TEXT.
wait_for_text() {
    local file=$1 text=$2 tenths=$(($3 * 10))
    while [ "$tenths" -gt 0 ]; do
        grep -qF -- "$text" "$file" 2>/dev/null && return 0
        sleep 0.1
        tenths=$((tenths - 1))
    done
    echo "timed out waiting for '$text' in $file" >&2
    return 1
}

# wait_station SECONDS: waits for the station to end; its status is STATION_STATUS.
wait_station() {
    local tenths=$(($1 * 10))
    while kill -0 "$STATION_PID" 2>/dev/null && [ "$tenths" -gt 0 ]; do
        sleep 0.1
        tenths=$((tenths - 1))
    done
    if kill -0 "$STATION_PID" 2>/dev/null; then
        echo "the station did not end within $1 s" >&2
        kill "$STATION_PID"
    fi
    STATION_STATUS=0
    wait "$STATION_PID" || STATION_STATUS=$?
    forget_pid "$STATION_PID"
}

# stop_station: ends the station this run started, and forgets its pid and
# any time message it left waiting for the instrument's hardware address.
stop_station() {
    kill "$STATION_PID" 2>/dev/null || true
    wait "$STATION_PID" 2>/dev/null || true
    forget_pid "$STATION_PID"
    ip -n "$STN" neigh flush dev "$STN_IF"
}

forget_pid() {
    local kept=() pid
    for pid in "${HOSTS_PIDS[@]}"; do
        [ "$pid" = "$1" ] || kept+=("$pid")
    done
    HOSTS_PIDS=("${kept[@]}")
}

# tx_packets NS IF: packets sent on IF so far.
tx_packets() { ip netns exec "$1" cat "/sys/class/net/$2/statistics/tx_packets"; }
