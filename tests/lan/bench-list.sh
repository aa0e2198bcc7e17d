#!/bin/bash
# A report, not a timed test: what `vidudi list` costs in wall and CPU time with 10 adapters on
# 1, 3 and 6 local addresses and with 500 adapters on one, and how far apart the two queries of
# a device click reach the adapter (`vidudi show`; the emulator logs when each arrived). Fails
# only when adapters go missing.
#
#   bench-list.sh VIDUDI NAS_EMULATOR QUERY_BENCH [RUNS]
#
# With BEFORE_VIDUDI and BEFORE_QUERY_BENCH set to the programs of an earlier build, every
# figure is measured for both in the same LANs and printed side by side. An earlier build
# without `show` gives its click gap from query_bench, which runs the work-group queries and
# then the share-list queries back to back.
source "$(dirname "$0")/lan_lib.sh"
QUERY_BENCH=$3
RUNS=${4:-3}
builds=(after)
[ -n "${BEFORE_VIDUDI:-}" ] && builds=(before after)
program() { [ "$1" = before ] && echo "$BEFORE_VIDUDI" || echo "$VIDUDI"; }
REPORT=$(mktemp)

# adapters FILE SEGMENT FIRST COUNT: COUNT adapters NAS-<n> on SEGMENT, numbered from FIRST
adapters() {
    python3 - "$@" <<'PY'
import sys
path, segment, first, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
with open(path, "w") as out:
    for n in range(first, first + count):
        host = n - first
        out.write("[device]\nname = NAS-%03d\naddress = 10.77.%d.%d\nnetmask = 255.255.0.0\n"
                  "identity = 00:11:22:33:%02x:%02x\nreply-form = %d\nreply-delay-ms = %d\n\n"
                  % (n, segment + 100 * (host // 250), host % 250 + 4, n // 256, n % 256,
                     2 if n % 2 == 0 else 7, (n * 7) % 250 if count > 10 else 0))
PY
}

# measure WHAT ADAPTERS: median wall and CPU of RUNS searches, for each build
measure() {
    local build run line walls cpus listed
    for build in "${builds[@]}"; do
        walls="" cpus=""
        for ((run = 1; run <= RUNS; run++)); do
            line=$(vlan_client_exec python3 "$LAN_TESTS_DIR/measure.py" "$WORK/list.txt" "$(program "$build")" list) ||
                lan_fail "measuring failed"
            listed=$(grep -c '^NAS-' "$WORK/list.txt")
            # An earlier build may miss some: that is part of the report.
            [ "$build" = before ] || [ "$listed" = "$2" ] || lan_fail "not $2 adapters listed ($listed)"
            walls="$walls $(echo "$line" | sed 's/.*wall=\([0-9.]*\).*/\1/')"
            cpus="$cpus $(echo "$line" | awk '{ split($2, u, "="); split($3, s, "="); print u[2] + s[2] }')"
        done
        python3 - "$1" "$build" "$walls" "$cpus" "$listed" >>"$REPORT" <<'PY'
import statistics, sys
what, build, walls, cpus = sys.argv[1], sys.argv[2], list(map(float, sys.argv[3].split())), list(map(float, sys.argv[4].split()))
wall, cpu = statistics.median(walls), statistics.median(cpus)
print("%-34s %-6s wall %.3f s  cpu %.3f s (%.1f%%)  listed %s" % (what, build, wall, cpu, 100 * cpu / wall, sys.argv[5]))
PY
    done
}

lan_init "$1" "$2"
for addresses in 1 3 6; do
    for segment in $(seq 1 $addresses); do
        vlan_add_segment "$segment"
        vlan_add_client_iface "$segment" >/dev/null
    done
    for segment in $(seq 1 $addresses); do
        first=$(( (segment - 1) * 10 / addresses ))
        count=$(( segment * 10 / addresses - first ))
        adapters "$WORK/s$segment.ini" "$segment" "$first" "$count"
        vlan_start_emulator "$segment" "$WORK/s$segment.ini" "$WORK/s$segment.log" || lan_fail "emulator did not start"
    done
    measure "list, $addresses address(es), 10 adapters" 10
    vlan_destroy
    lan_init "$1" "$2"
done

vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
adapters "$WORK/many.ini" 1 0 500
VLAN_READY_TIMEOUT_S=60 vlan_start_emulator 1 "$WORK/many.ini" "$WORK/many.log" || lan_fail "emulator did not start"
measure "list, 1 address, 500 adapters" 500
vlan_destroy

# The click: GetWorkGroup, then GetShareList, to one adapter.
lan_init "$1" "$2"
vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
adapters "$WORK/one.ini" 1 1 1
vlan_start_emulator 1 "$WORK/one.ini" "$WORK/one.log" || lan_fail "emulator did not start"
for build in "${builds[@]}"; do
    from=$(wc -l <"$WORK/one.log")
    if [ "$build" = after ]; then
        for ((run = 1; run <= RUNS; run++)); do
            vlan_client_exec "$VIDUDI" show NAS-001 >/dev/null || lan_fail "vidudi show failed"
        done
    else
        QUERY_CALLS=3 vlan_client_exec "$BEFORE_QUERY_BENCH" 10.77.1.4 3 >/dev/null || lan_fail "query_bench failed"
    fi
    tail -n +"$((from + 1))" "$WORK/one.log" | python3 -c '
import re, statistics, sys
build, last6, gaps = sys.argv[1], None, []
for line in sys.stdin:
    m = re.match(r"^(\d+) recv \S+ from \S+ len=\d+ ([0-9a-f]*)$", line)
    if not m or not m.group(2).startswith("03"): continue
    data, at = bytes.fromhex(m.group(2)), int(m.group(1))
    if data[21] == 6: last6 = at
    elif data[21] == 3 and last6 is not None: gaps.append(at - last6); last6 = None
print("%-34s %-6s %s ms (median of %d)" % ("click: work group to share list", build, statistics.median(gaps), len(gaps)))
' "$build" >>"$REPORT"
done

echo
cat "$REPORT"
rm -f "$REPORT"
lan_pass
