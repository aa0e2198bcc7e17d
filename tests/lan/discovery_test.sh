#!/bin/bash
# Discovery on two segments, two client interfaces on the first: each adapter listed once, two
# 11-byte requests per local address with one tag; two copies at once use their own tags.
#   discovery_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: the Windows build under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"

cat >"$WORK/segment1.ini" <<'INI'
# op 2 and op 7 replies; the op-7 adapter with type codes 6 and 7 is not a storage adapter
[device]
name = NAS-Alpha
address = 10.77.1.10
identity = 00:11:22:33:44:01
gateway = 10.77.1.1
dhcp = yes

[device]
name = NAS-Bravo
address = 10.77.1.11
identity = 00:11:22:33:44:02
reply-form = 7
type-codes = 3 10
netmask = 255.255.0.0
gateway = 10.77.1.254

[device]
name = Printer-67
address = 10.77.1.12
identity = 00:11:22:33:44:03
reply-form = 7
type-codes = 6 7

[device]
name = NAS-Charlie
address = 10.77.1.13
identity = 00:11:22:33:44:04
reply-form = 7
type-codes = 6 6
INI

cat >"$WORK/segment2.ini" <<'INI'
[device]
name = NAS-Delta
address = 10.77.2.10
identity = 00:11:22:33:44:05
gateway = 10.77.2.1

[device]
name = NAS-Echo
address = 10.77.2.11
identity = 00:11:22:33:44:06
reply-form = 7
type-codes = 9 10
dhcp = yes
INI

vlan_add_segment 1
vlan_add_segment 2
vlan_add_client_iface 1 >/dev/null
vlan_add_client_iface 2 >/dev/null
vlan_add_client_iface 1 >/dev/null  # 10.77.1.3: the same segment a second time
vlan_start_emulator 1 "$WORK/segment1.ini" "$WORK/segment1.log" || lan_fail "emulator 1 did not start"
vlan_start_emulator 2 "$WORK/segment2.ini" "$WORK/segment2.log" || lan_fail "emulator 2 did not start"

# vidudi ARGS... >FILE: in the client namespace, ending with status 0, Windows line ends made plain.
vidudi() { "${RUN[@]}" "$@" 2>>"$WORK/vidudi.err" | tr -d '\r'; [ "${PIPESTATUS[0]}" = 0 ] || lan_fail "vidudi $* failed"; }

# --- one search, as JSON
vidudi list --json >"$WORK/list.json"
lan_check devices "$WORK/list.json" >"$WORK/devices.txt"
# The first segment's adapters go with its first local address: 10.77.1.2 here; Wine lists the
# addresses in another order, and there it may be 10.77.1.3.
first=$(head -n 1 "$WORK/devices.txt" | cut -d'|' -f6)
[ "$first" = 10.77.1.2 ] || { [ -n "$LAN_WINE_PREFIX" ] && [ "$first" = 10.77.1.3 ]; } ||
    lan_fail "the first segment's adapters are listed with local address $first"
# Everything found on local address 0 comes first; within a segment, replies arrive in the
# order the emulator answers, which is the order of its configuration.
sed "s/FIRST/$first/" >"$WORK/expected.txt" <<'TXT'
NAS-Alpha|10.77.1.10|255.255.255.0|10.77.1.1|true|FIRST|0
NAS-Bravo|10.77.1.11|255.255.0.0|10.77.1.254|false|FIRST|0
NAS-Charlie|10.77.1.13|255.255.255.0||false|FIRST|0
NAS-Delta|10.77.2.10|255.255.255.0|10.77.2.1|false|10.77.2.2|1
NAS-Echo|10.77.2.11|255.255.255.0||true|10.77.2.2|1
TXT
lan_expect_same "vidudi list --json" "$WORK/expected.txt" "$WORK/devices.txt"

# What each segment's adapters received: exactly two discovery requests from each of the
# client's addresses on that segment, with one tag (six random bytes, four zero), and nothing
# from the other segment.
lan_check discovery "$WORK/segment1.log" | sort >"$WORK/requests1.txt"
lan_check discovery "$WORK/segment2.log" >"$WORK/requests2.txt"
tag=$(awk 'NR == 1 {print $2}' "$WORK/requests1.txt")
[[ $tag =~ ^[0-9a-f]{12}00000000$ ]] || lan_fail "tag $tag is not six bytes and four zero bytes"
[ "${tag:0:12}" != 000000000000 ] || lan_fail "tag is all zero"
printf '10.77.1.2 %s 2\n10.77.1.3 %s 2\n' "$tag" "$tag" >"$WORK/expected1.txt"
printf '10.77.2.2 %s 2\n' "$tag" >"$WORK/expected2.txt"
lan_expect_same "requests on segment 1" "$WORK/expected1.txt" "$WORK/requests1.txt"
lan_expect_same "requests on segment 2" "$WORK/expected2.txt" "$WORK/requests2.txt"

# Every adapter answered all four copies (the one filtered out too: the filter is the
# client's); the answers reached both local addresses, and each adapter is still listed once.
lan_check sends "$WORK/segment1.log" >"$WORK/sends1.txt"
cat >"$WORK/expected-sends1.txt" <<'TXT'
10.77.1.10 2 4
10.77.1.11 7 4
10.77.1.12 7 4
10.77.1.13 7 4
TXT
lan_expect_same "replies on segment 1" "$WORK/expected-sends1.txt" "$WORK/sends1.txt"

# --- the table form of the same search
vidudi list >"$WORK/list.txt"
lan_check table "$WORK/list.txt" >"$WORK/rows.txt"
sed "s/FIRST/$first/" >"$WORK/expected-rows.txt" <<'TXT'
NAS-Alpha|10.77.1.10|255.255.255.0|10.77.1.1|yes|FIRST
NAS-Bravo|10.77.1.11|255.255.0.0|10.77.1.254|no|FIRST
NAS-Charlie|10.77.1.13|255.255.255.0||no|FIRST
NAS-Delta|10.77.2.10|255.255.255.0|10.77.2.1|no|10.77.2.2
NAS-Echo|10.77.2.11|255.255.255.0||yes|10.77.2.2
TXT
lan_expect_same "vidudi list" "$WORK/expected-rows.txt" "$WORK/rows.txt"

# --- two copies at once: each keeps to its own replies and still lists everything
logSize=$(stat -c %s "$WORK/segment1.log")
vidudi list --json >"$WORK/first.json" &
first=$!
vidudi list --json >"$WORK/second.json" &
second=$!
wait "$first" || lan_fail "the first of two copies failed"
wait "$second" || lan_fail "the second of two copies failed"
lan_check devices "$WORK/first.json" >"$WORK/first.txt"
lan_check devices "$WORK/second.json" >"$WORK/second.txt"
lan_expect_same "first copy's list" "$WORK/expected.txt" "$WORK/first.txt"
lan_expect_same "second copy's list" "$WORK/expected.txt" "$WORK/second.txt"
tail -c +"$((logSize + 1))" "$WORK/segment1.log" >"$WORK/together.log"
lan_check discovery "$WORK/together.log" >"$WORK/together.txt"
awk '$3 == 2 {print $2}' "$WORK/together.txt" | sort -u >"$WORK/tags.txt"
[ "$(grep -c . "$WORK/tags.txt")" = 2 ] && [ "$(grep -c . "$WORK/together.txt")" = 4 ] ||
    lan_fail "two copies started together did not send two requests each under their own tags: $(cat "$WORK/together.txt")"

lan_pass
