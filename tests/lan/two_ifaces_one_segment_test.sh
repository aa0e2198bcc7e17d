#!/bin/bash
# A client with two interfaces on one network: the adapter's answers reach both local
# addresses, and it is listed once, with the first (lower-numbered) local address. Both
# addresses send their two requests under the one tag of the search.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"

cat >"$WORK/devices.ini" <<'INI'
[device]
name = NAS-Twice
address = 10.77.1.10
gateway = 10.77.1.1
INI

vlan_add_segment 1
first=$(vlan_add_client_iface 1)
second=$(vlan_add_client_iface 1)
[ "$first $second" = "10.77.1.2 10.77.1.3" ] || lan_fail "client addresses are $first $second"
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/segment1.log" || lan_fail "emulator did not start"

lan_vidudi "$WORK/list.json" list --json
lan_check devices "$WORK/list.json" >"$WORK/devices.txt"
echo "NAS-Twice|10.77.1.10|255.255.255.0|10.77.1.1|false|10.77.1.2|0" >"$WORK/expected.txt"
lan_expect_same "vidudi list --json" "$WORK/expected.txt" "$WORK/devices.txt"

lan_check discovery "$WORK/segment1.log" >"$WORK/requests.txt"
tag=$(awk 'NR == 1 {print $2}' "$WORK/requests.txt")
printf '10.77.1.2 %s 2\n10.77.1.3 %s 2\n' "$tag" "$tag" >"$WORK/expected-requests.txt"
lan_expect_same "requests received" "$WORK/expected-requests.txt" "$WORK/requests.txt"

# The adapter answered all four requests; each answer went to the group, so both local
# addresses saw four, and the list still has the adapter once.
lan_check sends "$WORK/segment1.log" >"$WORK/sends.txt"
echo "10.77.1.10 2 4" >"$WORK/expected-sends.txt"
lan_expect_same "replies sent" "$WORK/expected-sends.txt" "$WORK/sends.txt"

lan_vidudi "$WORK/list.txt" list
lan_check table "$WORK/list.txt" >"$WORK/rows.txt"
echo "NAS-Twice|10.77.1.10|255.255.255.0|10.77.1.1|no|10.77.1.2" >"$WORK/expected-rows.txt"
lan_expect_same "vidudi list" "$WORK/expected-rows.txt" "$WORK/rows.txt"

lan_pass
