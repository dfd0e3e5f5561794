#!/usr/bin/env bash
# Measures the tool on the wire tests' hosts, beside dnsmasq and a floor of
# our own, in one run: reply latency, flood drain, the time messages'
# schedule, footprint, and a two-minute soak. Prints the figures and writes
# them to bench/RESULTS.md. Needs root; takes about five minutes.
#   sudo bash bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
[ "$(id -u)" -eq 0 ] || { echo "The benchmark makes network namespaces: run it as root." >&2; exit 1; }

RUNS=${BENCH_RUNS:-30}
SCHEDULE_RUNS=${BENCH_SCHEDULE_RUNS:-10}
SOAK_SECONDS=${BENCH_SOAK_SECONDS:-120}
FLOOD_SECONDS=5

need_packages cmake g++ make iproute2 dnsmasq-base valgrind
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench --target station instrument_sim floor -j"$(build_jobs)" >/dev/null
B=$PWD/build/bench

. tests/wire/hosts.sh
hosts_up
OUT=$HOSTS_TMP/results.md
: >"$OUT"
say() { printf '%s\n' "$*" | tee -a "$OUT"; }

sim() { ip netns exec "$INS" "$B/instrument_sim" --interface "$INS_IF" "$@"; }
field() { grep -o "$1=[^ ]*" | head -1 | cut -d= -f2; }
# median and 90th percentile of the numbers on standard input
percentiles() { sort -n | awk '{ v[NR] = $1 } END { m = v[int((NR + 1) / 2)]; p = v[int(NR * 0.9 + 0.999)]; printf "%.3f %.3f\n", m, p }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status" 2>/dev/null || true; }
# One request, timed by the instrument; the milliseconds on standard output.
timed_request() {
    if ! sim --reply-only --reply-timeout 3 >"$HOSTS_TMP/request.out"; then
        cat "$HOSTS_TMP/request.out" >&2
        return 1
    fi
    field latency_ms <"$HOSTS_TMP/request.out"
}
start_tool() {
    in_station_background "$B/station"
    wait_for_text "$HOSTS_TMP/station.out" "Listening on computer port 67" 10
}
rejected_so_far() { grep -c 'so this message was rejected' "$HOSTS_TMP/station.out" || true; }

echo "== 1. reply latency, $RUNS requests each"
: >"$HOSTS_TMP/tool.ms"
for _ in $(seq "$RUNS"); do
    start_tool
    timed_request >>"$HOSTS_TMP/tool.ms"
    stop_station  # the reply is out; its clock push is not timed here
done

ip netns exec "$STN" dnsmasq --keep-in-foreground --no-resolv --no-hosts --conf-file=/dev/null --port=0 \
    --interface="$STN_IF" --bind-interfaces --dhcp-range=10.1.1.101,static,255.255.255.0 \
    --dhcp-host=00:01:e6:02:e4:51,10.1.1.101,instr1 --dhcp-option=1,255.255.255.0 --dhcp-option=13,1 \
    --dhcp-option=145,100 --dhcp-option=146,1 --dhcp-option=147,1 --dhcp-leasefile="$HOSTS_TMP/leases" \
    --pid-file="$HOSTS_TMP/dnsmasq.pid" --user=root --log-facility=- --log-dhcp >"$HOSTS_TMP/dnsmasq.log" 2>&1 &
DNSMASQ=$!
HOSTS_PIDS+=("$DNSMASQ")
sleep 1
: >"$HOSTS_TMP/dnsmasq.ms"
for _ in $(seq "$RUNS"); do
    timed_request >>"$HOSTS_TMP/dnsmasq.ms"
done
DNSMASQ_HWM=$(status_kb "$DNSMASQ" VmHWM)
kill "$DNSMASQ"
wait "$DNSMASQ" 2>/dev/null || true
forget_pid "$DNSMASQ"

ip netns exec "$STN" "$B/floor" respond "$RUNS" >"$HOSTS_TMP/floor.out" &
FLOOR=$!
HOSTS_PIDS+=("$FLOOR")
wait_for_text "$HOSTS_TMP/floor.out" listening 10
: >"$HOSTS_TMP/floor.ms"
for _ in $(seq "$RUNS"); do
    timed_request >>"$HOSTS_TMP/floor.ms"
done
wait "$FLOOR" || true
forget_pid "$FLOOR"

# The same floor started afresh for each request, as the tool is: one run serves one request.
: >"$HOSTS_TMP/cold.ms"
for _ in $(seq "$RUNS"); do
    ip netns exec "$STN" "$B/floor" respond 1 >"$HOSTS_TMP/floor.out" &
    FLOOR=$!
    HOSTS_PIDS+=("$FLOOR")
    wait_for_text "$HOSTS_TMP/floor.out" listening 10
    timed_request >>"$HOSTS_TMP/cold.ms"
    wait "$FLOOR" || true
    forget_pid "$FLOOR"
done

read -r TOOL_MED TOOL_P90 < <(percentiles <"$HOSTS_TMP/tool.ms")
read -r COLD_MED COLD_P90 < <(percentiles <"$HOSTS_TMP/cold.ms")
read -r DNSMASQ_MED DNSMASQ_P90 < <(percentiles <"$HOSTS_TMP/dnsmasq.ms")
read -r FLOOR_MED FLOOR_P90 < <(percentiles <"$HOSTS_TMP/floor.ms")
for f in tool dnsmasq floor cold; do
    [ "$(wc -l <"$HOSTS_TMP/$f.ms")" -eq "$RUNS" ] || { echo "only $(wc -l <"$HOSTS_TMP/$f.ms") of $RUNS $f replies" >&2; exit 1; }
done

echo "== 2. flood"
ip netns exec "$STN" "$B/floor" drain "$FLOOD_SECONDS" >"$HOSTS_TMP/drain.out" &
FLOOR=$!
HOSTS_PIDS+=("$FLOOR")
wait_for_text "$HOSTS_TMP/drain.out" listening 10
OFFERED=$(sim --flood-seconds $((FLOOD_SECONDS + 1)) | grep -o '[0-9]* a second' | cut -d' ' -f1)
wait "$FLOOR" || true
forget_pid "$FLOOR"
FLOOR_RATE=$(grep -o '[0-9]* a second' "$HOSTS_TMP/drain.out" | cut -d' ' -f1)

start_tool
sim --flood-seconds $((FLOOD_SECONDS + 1)) >/dev/null &
FLOODER=$!
sleep 0.5
first=$(rejected_so_far)
sleep "$FLOOD_SECONDS"
last=$(rejected_so_far)
wait "$FLOODER"
TOOL_RATE=$(( (last - first) / FLOOD_SECONDS ))
sim --reply-only --reply-timeout 3 >/dev/null
stop_station

# The instrument's request halfway through a flood, at the tool's own drain
# rate and at half of it; the kernel counts what found the queue full.
udp_queue_full() { ip netns exec "$STN" awk '/^Udp:/ && $2 ~ /^[0-9]/ { print $6 }' /proc/net/snmp; }
request_mid_flood() {
    local rate=$1 before result="not served"
    start_tool
    before=$(udp_queue_full)
    sim --flood-seconds "$FLOOD_SECONDS" --flood-rate "$rate" >/dev/null &
    FLOODER=$!
    sleep "$(awk -v s="$FLOOD_SECONDS" 'BEGIN { print s / 2 }')"
    if sim --reply-only --reply-timeout 3 >"$HOSTS_TMP/mid.out"; then
        result="served in $(field latency_ms <"$HOSTS_TMP/mid.out") ms"
    fi
    wait "$FLOODER"
    stop_station
    echo "$result, $(( $(udp_queue_full) - before )) datagrams dropped on a full receive queue"
}
MID_FLOOD_FULL=$(request_mid_flood "$TOOL_RATE")
MID_FLOOD_HALF=$(request_mid_flood $((TOOL_RATE / 2)))

echo "== 3. schedule, $SCHEDULE_RUNS runs"
: >"$HOSTS_TMP/schedule"
for _ in $(seq "$SCHEDULE_RUNS"); do
    start_tool
    sim >"$HOSTS_TMP/instrument.out" || { cat "$HOSTS_TMP/instrument.out" >&2; exit 1; }
    wait_station 15
    ip -n "$INS" addr flush dev "$INS_IF"
    line=$(grep -o 'schedule_ms=.*' "$HOSTS_TMP/instrument.out")
    echo "$(field schedule_ms <<<"$line") $(field offsets_s <<<"$line")" >>"$HOSTS_TMP/schedule"
done
# the error of each message against 1, 3 and 6 s after the reply, and of the carried time
read -r SCHED_MEAN SCHED_MAX CARRIED_MIN CARRIED_MAX < <(tr ', ' '  ' <"$HOSTS_TMP/schedule" | awk '
    { for (i = 1; i <= 3; i++) { e = $i - (i == 1 ? 1000 : i == 2 ? 3000 : 6000); s += e; n++; a = e < 0 ? -e : e; if (a > m) m = a }
      for (i = 4; i <= 6; i++) { if (cmin == "" || $i < cmin) cmin = $i; if (cmax == "" || $i > cmax) cmax = $i } }
    END { printf "%.1f %.1f %.3f %.3f\n", s / n, m, cmin, cmax }')

echo "== 4. footprint"
start_tool
sim >/dev/null &
SIM=$!
TOOL_HWM=0
while kill -0 "$STATION_PID" 2>/dev/null; do
    hwm=$(status_kb "$STATION_PID" VmHWM)
    [ -n "$hwm" ] && TOOL_HWM=$hwm
    sleep 0.05
done
wait_station 5
wait "$SIM" || true
ip -n "$INS" addr flush dev "$INS_IF"
BINARY_SIZE=$(stat -c %s "$B/station")
strip -o "$HOSTS_TMP/station.stripped" "$B/station"
STRIPPED_SIZE=$(stat -c %s "$HOSTS_TMP/station.stripped")

in_station_background valgrind --xtree-memory=full --xtree-memory-file="$HOSTS_TMP/xtree" \
    --log-file="$HOSTS_TMP/valgrind.log" "$B/station"
wait_for_text "$HOSTS_TMP/station.out" "Listening on computer port 67" 20
sim >/dev/null
wait_station 30
ip -n "$INS" addr flush dev "$INS_IF"
HEAP=$(grep -o 'total heap usage: .*' "$HOSTS_TMP/valgrind.log" | sed 's/total heap usage: //')
# The innermost allocating frame of every allocation: the tool's own code never calls malloc or new.
ALLOCATORS=$(callgrind_annotate --inclusive=yes --tree=caller "$HOSTS_TMP/xtree" 2>/dev/null |
    grep -E ' \*  ' | head -1 | sed 's/.* \*  *//' || true)

echo "== 5. soak, $SOAK_SECONDS s of foreign datagrams"
start_tool
sim --flood-seconds "$SOAK_SECONDS" --flood-rate 2000 >/dev/null &
FLOODER=$!
SAMPLES=""
for _ in $(seq 0 10 "$SOAK_SECONDS"); do
    SAMPLES+="$(status_kb "$STATION_PID" VmRSS) "
    sleep 10
done
wait "$FLOODER"
SOAK_REJECTED=$(rejected_so_far)
sim --reply-only --reply-timeout 3 >/dev/null
stop_station
read -r SOAK_FIRST SOAK_LAST < <(awk '{ print $1, $NF }' <<<"$SAMPLES")

met() { if awk "BEGIN { exit !($1) }"; then echo met; else echo "missed"; fi; }

say "# Benchmark results"
say ""
say "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
say "- machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(free -g | awk '/Mem:/ { print $2 }') GiB, Linux $(uname -r)"
say "- command: \`sudo bash bench/run.sh\` (Release build, two network namespaces joined by a veth pair)"
say ""
say "## Reply latency"
say ""
say "From the request leaving the simulated instrument to the reply reaching it, timed by the instrument, $RUNS requests each."
say ""
say "| responder | median (ms) | 90th percentile (ms) |"
say "| --- | --- | --- |"
say "| this tool (one run a request) | $TOOL_MED | $TOOL_P90 |"
say "| dnsmasq $(dnsmasq --version | awk 'NR == 1 { print $3 }') (static host, BOOTP) | $DNSMASQ_MED | $DNSMASQ_P90 |"
say "| floor: receive, then send, one process for all requests | $FLOOR_MED | $FLOOR_P90 |"
say "| floor, started afresh for each request | $COLD_MED | $COLD_P90 |"
say ""
say "tool / dnsmasq: $(ratio "$TOOL_MED" "$DNSMASQ_MED"); tool / floor: $(ratio "$TOOL_MED" "$FLOOR_MED"); tool / fresh floor: $(ratio "$TOOL_MED" "$COLD_MED"); floor / dnsmasq: $(ratio "$FLOOR_MED" "$DNSMASQ_MED") (medians)."
say ""
say "## Flood"
say ""
say "| what | datagrams a second |"
say "| --- | --- |"
say "| offered by the flooder (as fast as it goes) | $OFFERED |"
say "| floor: a bare receive loop | $FLOOR_RATE |"
say "| this tool, announcing and rejecting each, console to a file | $TOOL_RATE |"
say ""
say "tool / floor: $(ratio "$TOOL_RATE" "$FLOOR_RATE")."
say ""
say "The instrument's request (sent once), halfway through a ${FLOOD_SECONDS}-s flood:"
say ""
say "- at the tool's drain rate, $TOOL_RATE a second: $MID_FLOOD_FULL;"
say "- at half of it, $((TOOL_RATE / 2)) a second: $MID_FLOOD_HALF."
say ""
say "## Schedule"
say ""
say "$SCHEDULE_RUNS runs; each time message against 1, 3 and 6 s after the reply reached the instrument: mean error $SCHED_MEAN ms, largest $SCHED_MAX ms."
say "The carried time against the instrument's clock: from $CARRIED_MIN to $CARRIED_MAX s (whole seconds are carried, the fraction is zero)."
say ""
say "## Footprint"
say ""
say "| what | figure |"
say "| --- | --- |"
say "| peak resident memory, a whole run | $TOOL_HWM KiB |"
say "| dnsmasq's peak resident memory, after $RUNS requests | $DNSMASQ_HWM KiB |"
say "| binary | $BINARY_SIZE bytes ($STRIPPED_SIZE stripped) |"
say "| heap, a whole run (valgrind) | $HEAP; innermost allocating frame: $ALLOCATORS |"
say ""
say "## Soak"
say ""
say "$SOAK_SECONDS s of foreign datagrams at 2000 a second ($SOAK_REJECTED rejected); resident memory every 10 s (KiB): $SAMPLES"
say ""
say "## Goals"
say ""
say "| goal | figure | |"
say "| --- | --- | --- |"
say "| median latency at most half of dnsmasq's | $TOOL_MED vs $DNSMASQ_MED ms | $(met "$TOOL_MED <= $DNSMASQ_MED / 2") |"
say "| median latency at most three times the floor | $TOOL_MED vs $FLOOR_MED ms | $(met "$TOOL_MED <= 3 * $FLOOR_MED") |"
say "| flood drain at least half the floor's | $TOOL_RATE vs $FLOOR_RATE a second | $(met "$TOOL_RATE >= $FLOOR_RATE / 2") |"
say "| each time message within 20 ms of its schedule | largest error $SCHED_MAX ms | $(met "$SCHED_MAX <= 20") |"
say "| peak resident memory under 4 MiB | $TOOL_HWM KiB | $(met "$TOOL_HWM < 4096") |"
say "| no heap allocation by the tool's own code | $ALLOCATORS | $(case "$ALLOCATORS" in *src/*) echo missed ;; *) echo met ;; esac) |"
say "| resident memory does not grow under a soak | $SOAK_FIRST to $SOAK_LAST KiB | $(met "$SOAK_LAST <= $SOAK_FIRST") |"

cp "$OUT" bench/RESULTS.md
echo "written to bench/RESULTS.md"
