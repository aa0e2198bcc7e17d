#!/bin/bash
# The dissector on real traffic: dumpcap records the client's interfaces while the CLI runs
# list, workgroup, shares, verify and set-ip; tshark's fields must match the emulators' logs.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
command -v dumpcap >/dev/null && command -v tshark >/dev/null || lan_fail "dumpcap or tshark is missing (scripts/install-deps.sh)"
DISSECTOR=$LAN_TESTS_DIR/../../tools/wireshark/vidudi.lua

lan_ini "$WORK/s1.ini" "name=NAS-Office;address=10.77.1.10;gateway=10.77.1.1;shares=public:Fotó:music"
lan_ini "$WORK/s2.ini" "name=NAS-Lab;address=10.77.2.10;netmask=255.255.0.0;gateway=10.77.2.1;dhcp=yes;reply-form=7;type-codes=6 6;admin-password=s3cret;workgroup=LAB"
lan_lan 1 2

# dumpcap in the client namespace only; its own pid is kept to stop it.
vlan_client_exec /bin/sh -c 'echo $$ >"$1"; shift; exec "$@"' dumpcap "$WORK/dumpcap.pid" \
    dumpcap -q -i eth0 -i eth1 -f "udp port 13579" -w "$WORK/capture.pcapng" \
    </dev/null >/dev/null 2>"$WORK/dumpcap.err" &
for _ in $(seq 100); do grep -q "Capturing on" "$WORK/dumpcap.err" && break; sleep 0.1; done
grep -q "Capturing on" "$WORK/dumpcap.err" || lan_fail "dumpcap did not start: $(cat "$WORK/dumpcap.err")"
dumpcap_pid=$(cat "$WORK/dumpcap.pid")

echo s3cret >"$WORK/password"
for command in list "workgroup NAS-Office" "shares NAS-Office" "verify NAS-Lab" "set-ip NAS-Office 10.77.1.20 255.255.255.0 10.77.1.1"; do
    # shellcheck disable=SC2086
    vlan_client_exec "$VIDUDI" $command <"$WORK/password" >/dev/null 2>"$WORK/vidudi.err" || lan_fail "vidudi $command ended with status $?"
done
sleep 0.3  # the last replies on their way
kill -INT "$dumpcap_pid"
for _ in $(seq 50); do kill -0 "$dumpcap_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$dumpcap_pid" 2>/dev/null && lan_fail "dumpcap did not stop"

python3 "$LAN_TESTS_DIR/../support/dissector_check.py" capture "$DISSECTOR" "$WORK/capture.pcapng" \
    "$WORK/s1.log" "$WORK/s2.log" >"$WORK/info.txt" 2>"$WORK/check.err" ||
    lan_fail "dissector_check.py: $(cat "$WORK/check.err")"
lan_expect_same "Info column texts" - "$WORK/info.txt" <<'TXT'
Discovery reply (extended) NAS-Lab 10.77.2.10
Discovery reply NAS-Office 10.77.1.10
Discovery reply NAS-Office 10.77.1.20
Discovery request
Query password check, user admin
Query share list
Query work group
Reply password check: accepted
Reply password check: refused
Reply share list: public, Fotó, music
Reply static address set, from 10.77.1.20
Reply work group: WORKGROUP
Set static address 10.77.1.20 (netmask 255.255.255.0, gateway 10.77.1.1)
TXT
lan_pass
