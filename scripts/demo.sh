#!/usr/bin/env bash
# Shows a whole exchange without the instrument: the tool runs in a throwaway
# station namespace (10.1.1.100/24), the simulated instrument in another,
# joined by a veth pair; both are removed at the end. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
[ "$(id -u)" -eq 0 ] || { echo "The demo makes network namespaces: run it as root (sudo bash scripts/demo.sh)." >&2; exit 1; }

need_packages cmake g++ make iproute2
cmake -S . -B build/tool -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/tool --target station instrument_sim -j"$(build_jobs)" >/dev/null

. tests/wire/hosts.sh
hosts_up
echo "Station $STN ($STATION_ADDRESS on $STN_IF) and instrument $INS ($INSTRUMENT_MAC on $INS_IF)."
echo
in_station_background build/tool/station
wait_for_text "$HOSTS_TMP/station.out" "Listening on computer port 67" 10
sim_status=0
ip netns exec "$INS" build/tool/instrument_sim --interface "$INS_IF" --foreign 1 >"$HOSTS_TMP/instrument.out" 2>&1 ||
    sim_status=$?
wait_station 15

echo "==== the tool's console (exit status $STATION_STATUS)"
cat "$HOSTS_TMP/station.out"
echo
echo
echo "==== the simulated instrument's report (exit status $sim_status)"
cat "$HOSTS_TMP/instrument.out"
[ "$STATION_STATUS" -eq 0 ] && [ "$sim_status" -eq 0 ]
