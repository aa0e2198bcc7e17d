#!/bin/bash
# A report: wall and CPU time of `vidudi list` (median of RUNS) with 10 adapters on 1, 3 and 6
# local addresses and 500 adapters on one, and how far apart the two queries of `vidudi show`
# reach the adapter (from the emulator's log); with BEFORE_VIDUDI set, an earlier build's figures
# beside them. Fails only when adapters go missing.
#   bench-list.sh VIDUDI NAS_EMULATOR [RUNS]
source "$(dirname "$0")/lan_lib.sh"
RUNS=${3:-3}
builds=(after); [ -n "${BEFORE_VIDUDI:-}" ] && builds=(before after)
VIDUDI_ARG=$1 NAS_ARG=$2 REPORT=$(mktemp)
# setup ADDRESSES ADAPTERS: a new LAN, the adapters spread over the segments
setup() {
    lan_init "$VIDUDI_ARG" "$NAS_ARG"
    local s
    for s in $(seq 1 "$1"); do
        python3 - "$WORK/s$s.ini" "$s" $(( (s - 1) * $2 / $1 )) $(( s * $2 / $1 )) <<'PY'
import sys
path, segment, first, end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
with open(path, "w") as out:
    for n in range(first, end):
        h = n - first
        out.write("[device]\nname = NAS-%03d\naddress = 10.77.%d.%d\nnetmask = 255.255.0.0\nidentity = 00:11:22:33:%02x:%02x\n"
                  "reply-form = %d\nreply-delay-ms = %d\n\n" % (n, segment + 100 * (h // 250), h % 250 + 4, n // 256, n % 256,
                                                               2 + 5 * (n % 2), (n * 7) % 250 if end - first > 10 else 0))
PY
    done
    VLAN_READY_TIMEOUT_S=60 lan_lan $(seq 1 "$1")
}
measure() {  # measure WHAT ADAPTERS
    local build program times TIMEFORMAT="%R %U %S"
    for build in "${builds[@]}"; do
        program=$VIDUDI times=""
        [ "$build" = before ] && program=$BEFORE_VIDUDI
        for ((run = 1; run <= RUNS; run++)); do
            times+="$( { time vlan_client_exec "$program" list >"$WORK/list.txt" 2>/dev/null; } 2>&1 );"
            listed=$(grep -c '^NAS-' "$WORK/list.txt")
            [ "$build" = before ] || [ "$listed" = "$2" ] || lan_fail "$listed adapters listed, not $2"
        done
        python3 -c 'import statistics as s, sys; r = [list(map(float, t.split())) for t in sys.argv[3].split(";") if t]
w, c = s.median(x[0] for x in r), s.median(x[1] + x[2] for x in r)
print("%-30s %-6s wall %.3f s  cpu %.3f s  listed %s" % (sys.argv[1], sys.argv[2], w, c, sys.argv[4]))' \
            "$1" "$build" "$times" "$listed" >>"$REPORT"
    done
    vlan_destroy
}
for addresses in 1 3 6; do
    setup "$addresses" 10 && measure "list, $addresses address(es), 10 adapters" 10
done
setup 1 500 && measure "list, 1 address, 500 adapters" 500
setup 1 1
for build in "${builds[@]}"; do
    program=$VIDUDI; [ "$build" = before ] && program=$BEFORE_VIDUDI
    from=$(wc -l <"$WORK/s1.log")
    for ((run = 1; run <= RUNS; run++)); do
        vlan_client_exec "$program" show NAS-000 >/dev/null 2>&1 || continue 2  # an earlier build may have no show
    done
    tail -n +"$((from + 1))" "$WORK/s1.log" | python3 -c 'import re, statistics, sys
gaps, last = [], None
for line in sys.stdin:
    m = re.match(r"(\d+) recv \S+ from \S+ len=\d+ (03[0-9a-f]+)", line)
    if m and m.group(2)[42:44] == "06": last = int(m.group(1))
    elif m and m.group(2)[42:44] == "03" and last is not None: gaps.append(int(m.group(1)) - last); last = None
print("%-30s %-6s %s ms apart (median of %d)" % ("show: its two queries", sys.argv[1], statistics.median(gaps), len(gaps)))' \
        "$build" >>"$REPORT"
done
vlan_destroy
cat "$REPORT" && rm -f "$REPORT"
lan_pass
