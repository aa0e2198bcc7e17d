#!/bin/bash
# The soak (label soak, outside the default tiers): nothing leaks over long use.
#  1. One client process runs SEARCHES rounds back to back (default 2000), each a search and a
#     request, while a second emulated adapter floods the segment with 1,000 datagrams a second
#     of other ops and malformed replies. Every round finds the adapter and gets its answer; the
#     client's descriptors end where they started, and its memory grows by less than 1 MiB
#     after the first 10 % of the rounds.
#  2. Four clients send the emulator 1,000 requests a second in all for LOAD_SECONDS (default
#     60): every request is answered, and its memory grows by less than 1 MiB after the first
#     10 % of the time.
#   soak_test.sh SOAK_CLIENT NAS_EMULATOR    (VIDUDI_SOAK_SEARCHES, VIDUDI_SOAK_LOAD_SECONDS)
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
searches=${VIDUDI_SOAK_SEARCHES:-2000}
load_seconds=${VIDUDI_SOAK_LOAD_SECONDS:-60}
growth_ok() {  # growth_ok FROM_KIB TO_KIB
    [ $(( $2 - $1 )) -lt 1024 ]
}

# --- 1. the client
lan_ini "$WORK/s1.ini" "name=NAS-Soak;address=10.77.1.10;shares=Public:Media" \
    "name=NAS-Noise;address=10.77.1.11;no-reply=yes;noise-per-second=1000"
lan_lan 1
vlan_client_exec "$VIDUDI" "$searches" >"$WORK/client.out" 2>"$WORK/client.err" ||
    lan_fail "the client's rounds did not all find the adapter and get their answer: $(cat "$WORK/client.out" "$WORK/client.err")"
cat "$WORK/client.out"
read -r fds0 rss0 < <(sed -n '1s/.*fds=\([0-9]*\) rss_kib=\([0-9]*\)/\1 \2/p' "$WORK/client.out")
read -r rss10 < <(sed -n '2s/.*rss_kib=\([0-9]*\)/\1/p' "$WORK/client.out")
read -r fds1 rss1 < <(sed -n '3s/.*fds=\([0-9]*\) rss_kib=\([0-9]*\)/\1 \2/p' "$WORK/client.out")
noise=$(grep -o 'noise 10.77.1.11 sent=[0-9]*' "$WORK/s1.log" | tail -n 1 | cut -d= -f2)
echo "report: client over $searches rounds: descriptors $fds0 -> $fds1, resident memory $rss0 KiB, $rss10 KiB after 10 %, $rss1 KiB at the end; noise datagrams sent: ${noise:-under 10000}"
[ "$fds1" = "$fds0" ] || lan_fail "the client ended with $fds1 descriptors open, $fds0 after the first round"
growth_ok "$rss10" "$rss1" || lan_fail "the client's memory grew from $rss10 KiB to $rss1 KiB after the first 10 %"
[ "${noise:-0}" -ge $(( searches * 1000 * 8 / 10 )) ] || lan_fail "the flood was thinner than 1,000 a second: ${noise:-0} datagrams"
vlan_destroy

# --- 2. the emulator, under four clients
lan_init "$@"
vlan_add_segment 1 || lan_fail "segment 1"
clients=()
for _ in 1 2 3 4; do clients+=("$(vlan_add_client_iface 1)") || lan_fail "client interface"; done
lan_ini "$WORK/load.ini" "name=NAS-Load;address=10.77.1.10;workgroup=LOAD"
vlan_start_emulator 1 "$WORK/load.ini" "$WORK/load.log" || lan_fail "emulator did not start"
emulator=$(tail -n 1 "$VLAN_DIR/pids" | cut -d' ' -f1)
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$emulator/status"; }
loads=()
for address in "${clients[@]}"; do
    vlan_client_exec python3 "$LAN_TESTS_DIR/load_client.py" "$address" 10.77.1.10 250 "$load_seconds" >"$WORK/load-$address.out" 2>&1 &
    loads+=($!)
done
sleep "$(( load_seconds / 10 ))"
emulator_rss10=$(rss)
for pid in "${loads[@]}"; do wait "$pid" || lan_fail "a load client failed: $(cat "$WORK"/load-*.out)"; done
emulator_rss1=$(rss)
cat "$WORK"/load-*.out
echo "report: emulator under 4 x 250 requests a second for $load_seconds s: resident memory $emulator_rss10 KiB after 10 %, $emulator_rss1 KiB at the end"
for address in "${clients[@]}"; do
    read -r sent answered < <(sed -n 's/sent=\([0-9]*\) answered=\([0-9]*\)/\1 \2/p' "$WORK/load-$address.out")
    [ -n "$sent" ] && [ "$sent" = "$answered" ] || lan_fail "client $address: $(cat "$WORK/load-$address.out")"
done
growth_ok "$emulator_rss10" "$emulator_rss1" || lan_fail "the emulator's memory grew from $emulator_rss10 KiB to $emulator_rss1 KiB"
lan_pass
