#!/bin/bash
# An adapter that takes a new address is gone from the old one: its web page no longer answers
# there (the reachability probe fails, so the window can say "Device is no longer available."),
# while a neighbour in the same subnet keeps its own. A change to an address outside the test
# network is neither made nor answered, and the emulator starts again in its namespace.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
lan_ini "$WORK/s1.ini" "name=NAS-Moving;address=10.77.1.10;identity=00:0e:a1:00:00:0a;gateway=10.77.1.1" \
    "name=NAS-Staying;address=10.77.1.11;identity=00:0e:a1:00:00:0b;gateway=10.77.1.1"
lan_lan 1
run() {  # run STATUS ARGS...
    local expected=$1 status=0
    shift
    vlan_client_exec "$VIDUDI" "$@" </dev/null >"$WORK/out" 2>"$WORK/out.err" || status=$?
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected: $(cat "$WORK/out.err")"
}
# probe yes|no ADDRESS: what the reachability probe finds, a TCP connection to port 80 within 2 s
probe() {
    local found=yes
    vlan_client_exec python3 -c 'import socket, sys
s = socket.socket(); s.settimeout(2)
sys.exit(s.connect_ex((sys.argv[1], 80)))' "$2" || found=no
    [ "$found" = "$1" ] || lan_fail "the page at $2 answers: $found, expected $1"
}
probe yes 10.77.1.10

run 0 set-ip NAS-Moving 10.77.1.20 255.255.255.0 10.77.1.1
probe no 10.77.1.10
probe yes 10.77.1.20
probe yes 10.77.1.11
grep -q " ip addr del 10.77.1.10/24 dev eth0 ok$" "$WORK/s1.log" || lan_fail "the old address was not taken off"

m=$(wc -l <"$WORK/s1.log")
run 1 set-ip NAS-Staying 192.168.7.5 255.255.255.0 192.168.7.1
tail -n +"$((m + 1))" "$WORK/s1.log" >"$WORK/after.log"
grep -q " refused 10.77.1.11 -> 192.168.7.5: outside the test network 10.77.0.0/16$" "$WORK/after.log" ||
    lan_fail "the log does not say why the change was refused"
! grep -q " send 10.77.1.11 to .* len=21 06" "$WORK/after.log" || lan_fail "the refused change was answered"
run 0 list --json
lan_check devices "$WORK/out" | cut -d'|' -f1,2 >"$WORK/got.txt"
lan_expect_same "devices listed" - "$WORK/got.txt" <<'TXT'
NAS-Moving|10.77.1.20
NAS-Staying|10.77.1.11
TXT

# The namespace still holds test addresses only: the emulator starts there again.
while read -r pid rest; do kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done <"$VLAN_DIR/pids"
vlan_start_emulator 1 "$WORK/s1.ini" "$WORK/s1.log" || lan_fail "the emulator does not start again"
lan_pass
