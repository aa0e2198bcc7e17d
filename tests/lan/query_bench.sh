#!/bin/bash
# Query latency against an emulated adapter (median of many calls) next to the protocol's
# nominal cost, and the CPU share of a failing 11-second wait. Prints the figures and fails
# when a query costs clearly more than nominal or the wait busy-loops.
source "$(dirname "$0")/lan_lib.sh"
QUERY_BENCH=$3
lan_init "$1" "$2"
[ -x "$QUERY_BENCH" ] || lan_fail "query_bench not found: '$QUERY_BENCH'"

cat >"$WORK/devices.ini" <<'INI'
[device]
name = NAS-Bench
address = 10.77.1.10
shares = public:music:backup
INI
vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/emulator.log" || lan_fail "emulator did not start"

vlan_client_exec "$QUERY_BENCH" 10.77.1.10 "${QUERY_CALLS:-50}" >"$WORK/bench.out" 2>"$WORK/bench.err" ||
    lan_fail "query_bench failed"
cat "$WORK/bench.out"
python3 - "$WORK/bench.out" <<'PY' || lan_fail "figures out of bounds"
import re, sys
ok = True
for line in open(sys.argv[1]):
    fields = dict(f.split("=") for f in line.split()[2:] if "=" in f) if line.startswith("query") else \
             dict(f.split("=") for f in line.split()[1:] if "=" in f)
    if line.startswith("query"):
        median, nominal = float(fields["median_ms"]), float(fields["nominal_ms"])
        if median < 0 or median > nominal + 20:
            print("too slow:", line.strip()); ok = False
    else:
        if fields["result"] != "0" or not 10.5 < float(fields["wall_s"]) < 12.0 or float(fields["cpu_share"]) > 0.05:
            print("failing wait out of bounds:", line.strip()); ok = False
sys.exit(0 if ok else 1)
PY
lan_pass
