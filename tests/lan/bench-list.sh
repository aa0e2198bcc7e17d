#!/bin/bash
# How long `vidudi list` takes, and how much CPU it burns, against ten emulated adapters:
# first with one local address (all ten on one segment), then with three (the ten spread over
# three segments). A search waits about 1.04 s per local address without answers (a little
# less with answers: a cycle that finds a datagram skips its 10 ms poll) and mostly sleeps,
# so the bounds are: 0.72 s (sending and pauses alone) <= wall < 1.25 s per address, and CPU
# below 10% of the wall time.
#
#   bench-list.sh VIDUDI NAS_EMULATOR [RUNS]
source "$(dirname "$0")/lan_lib.sh"
RUNS=${3:-3}

# write_config FILE SEGMENT FIRST COUNT: COUNT adapters NAS-<n> on SEGMENT, numbered from FIRST
write_config() {
    local n
    : >"$1"
    for ((n = $3; n < $3 + $4; n++)); do
        printf '[device]\nname = NAS-%02d\naddress = 10.77.%d.%d\nidentity = 00:11:22:33:44:%02x\nreply-form = %d\n\n' \
            "$n" "$2" "$((10 + n))" "$n" "$((n % 2 == 0 ? 2 : 7))" >>"$1"
    done
}

# measure ADDRESSES ADAPTERS MIN: runs vidudi list RUNS times; checks that ADAPTERS are
# listed, MIN s <= wall < 1.25 s per address, and CPU < 10% of wall.
measure() {
    local addresses=$1 adapters=$2 min=$3 run line wall user sys status
    for ((run = 1; run <= RUNS; run++)); do
        line=$(vlan_client_exec python3 "$LAN_TESTS_DIR/measure.py" "$WORK/list.txt" "$VIDUDI" list) ||
            lan_fail "measuring failed"
        read -r wall user sys status <<<"$(echo "$line" | sed 's/[a-z]*=//g')"
        [ "$status" = 0 ] || lan_fail "vidudi list ended with status $status"
        [ "$(grep -c '^NAS-' "$WORK/list.txt")" = "$adapters" ] ||
            lan_fail "not $adapters adapters listed: $(cat "$WORK/list.txt")"
        python3 - "$addresses" "$min" "$wall" "$user" "$sys" <<'PY' || lan_fail "out of bounds"
import sys
addresses, least, wall, user, sys_ = int(sys.argv[1]), *map(float, sys.argv[2:])
cpu = user + sys_
print("addresses=%d wall=%.3fs (%.3fs per address) cpu=%.3fs (user %.3f + sys %.3f) = %.1f%% of wall"
      % (addresses, wall, wall / addresses, cpu, user, sys_, 100 * cpu / wall))
ok = True
if not least * addresses <= wall < 1.25 * addresses:
    print("  wall time out of [%.2f, 1.25) s per address" % least); ok = False
if cpu >= 0.10 * wall:
    print("  CPU time not below 10% of the wall time"); ok = False
sys.exit(0 if ok else 1)
PY
    done
}

lan_init "$@"
echo "one local address, no adapter (the full wait):"
vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
measure 1 0 1.0
vlan_destroy

lan_init "$@"
echo "one local address, ten adapters on its segment:"
vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
write_config "$WORK/ten.ini" 1 0 10
vlan_start_emulator 1 "$WORK/ten.ini" "$WORK/ten.log" || lan_fail "emulator did not start"
measure 1 10 0.72
vlan_destroy

lan_init "$@"
echo "three local addresses on three segments, 4 + 3 + 3 adapters:"
for segment in 1 2 3; do
    vlan_add_segment $segment
    vlan_add_client_iface $segment >/dev/null
done
write_config "$WORK/s1.ini" 1 0 4
write_config "$WORK/s2.ini" 2 4 3
write_config "$WORK/s3.ini" 3 7 3
for segment in 1 2 3; do
    vlan_start_emulator $segment "$WORK/s$segment.ini" "$WORK/s$segment.log" || lan_fail "emulator $segment did not start"
done
measure 3 10 0.72

lan_pass
