#!/bin/bash
# Discovery on two segments, two client interfaces on the first: each adapter listed once (both
# reply forms; type codes filter), two 11-byte requests per local address with one tag; two
# copies at once use their own tags.
#   discovery_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: the Windows build under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
lan_ini "$WORK/s1.ini" "name=NAS-Alpha;address=10.77.1.10;gateway=10.77.1.1;dhcp=yes" \
    "name=NAS-Bravo;address=10.77.1.11;reply-form=7;type-codes=3 10;netmask=255.255.0.0;gateway=10.77.1.254" \
    "name=Printer-67;address=10.77.1.12;reply-form=7;type-codes=6 7" \
    "name=NAS-Charlie;address=10.77.1.13;reply-form=7;type-codes=6 6"
lan_ini "$WORK/s2.ini" "name=NAS-Delta;address=10.77.2.10;gateway=10.77.2.1" \
    "name=NAS-Echo;address=10.77.2.11;reply-form=7;type-codes=9 10;dhcp=yes"
lan_lan 1 2
vlan_add_client_iface 1 >/dev/null  # 10.77.1.3: the first segment a second time
vidudi() { "${RUN[@]}" "$@" 2>>"$WORK/vidudi.err" | tr -d '\r'; [ "${PIPESTATUS[0]}" = 0 ] || lan_fail "vidudi $* failed"; }
vidudi list --json >"$WORK/list.json"
lan_check devices "$WORK/list.json" >"$WORK/devices.txt"
# The first segment's adapters go with its first local address; Wine may list 10.77.1.3 first.
first=$(head -n 1 "$WORK/devices.txt" | cut -d'|' -f6)
[ "$first" = 10.77.1.2 ] || { [ -n "$LAN_WINE_PREFIX" ] && [ "$first" = 10.77.1.3 ]; } ||
    lan_fail "the first segment's adapters are listed with local address $first"
sed "s/FIRST/$first/" >"$WORK/expected.txt" <<'TXT'
NAS-Alpha|10.77.1.10|255.255.255.0|10.77.1.1|true|FIRST|0
NAS-Bravo|10.77.1.11|255.255.0.0|10.77.1.254|false|FIRST|0
NAS-Charlie|10.77.1.13|255.255.255.0||false|FIRST|0
NAS-Delta|10.77.2.10|255.255.255.0|10.77.2.1|false|10.77.2.2|1
NAS-Echo|10.77.2.11|255.255.255.0||true|10.77.2.2|1
TXT
lan_expect_same "vidudi list --json" "$WORK/expected.txt" "$WORK/devices.txt"
{ lan_check discovery "$WORK/s1.log" | sort; lan_check discovery "$WORK/s2.log"; } >"$WORK/requests.txt"
tag=$(awk 'NR == 1 {print $2}' "$WORK/requests.txt")
[[ $tag =~ ^[0-9a-f]{12}00000000$ ]] && [ "${tag:0:12}" != 000000000000 ] || lan_fail "tag $tag is not six random bytes and four zero"
printf '10.77.1.2 %s 2\n10.77.1.3 %s 2\n10.77.2.2 %s 2\n' "$tag" "$tag" "$tag" >"$WORK/want.txt"
lan_expect_same "requests received" "$WORK/want.txt" "$WORK/requests.txt"

vidudi list | lan_check table /dev/stdin >"$WORK/rows.txt"
awk -F'|' -v OFS='|' '{ $5 = $5 == "true" ? "yes" : "no"; NF = 6; print }' "$WORK/expected.txt" >"$WORK/want.txt"
lan_expect_same "vidudi list" "$WORK/want.txt" "$WORK/rows.txt"

# --interface: the search goes out of that address alone (the emulators' logs), and finds only
# what answers there; a request then goes out of it too. An address of no interface is refused.
s1=$(stat -c %s "$WORK/s1.log") s2=$(stat -c %s "$WORK/s2.log")
vidudi --interface 10.77.2.2 list --json >"$WORK/one.json"
lan_check devices "$WORK/one.json" >"$WORK/one.txt"
grep NAS-Delta "$WORK/expected.txt" >"$WORK/want.txt"; grep NAS-Echo "$WORK/expected.txt" >>"$WORK/want.txt"
sed -i 's/|1$/|0/' "$WORK/want.txt"
lan_expect_same "list --interface 10.77.2.2" "$WORK/want.txt" "$WORK/one.txt"
vidudi workgroup NAS-Echo --interface=10.77.2.2 >/dev/null
tail -c +"$((s1 + 1))" "$WORK/s1.log" | grep -q ' recv ' && lan_fail "--interface 10.77.2.2: segment 1 received a request"
tail -c +"$((s2 + 1))" "$WORK/s2.log" | awk '$2 == "recv" {sub(/:.*/, "", $5); print $5}' | sort | uniq -c | sed 's/^ *//' >"$WORK/got.txt"
lan_expect_same "requests on segment 2 with --interface" - "$WORK/got.txt" <<'TXT'
5 10.77.2.2
TXT
status=0
"${RUN[@]}" list --interface 10.77.9.9 >/dev/null 2>"$WORK/refused.err" || status=$?
[ "$status" = 2 ] && grep -q "10.77.9.9 is not an address of this computer" "$WORK/refused.err" ||
    lan_fail "--interface 10.77.9.9: status $status, $(cat "$WORK/refused.err")"

size=$(stat -c %s "$WORK/s1.log")
vidudi list --json >"$WORK/first.json" & one=$!
vidudi list --json >"$WORK/second.json" & two=$!
wait "$one" && wait "$two" || lan_fail "one of two copies failed"
for copy in first second; do
    lan_check devices "$WORK/$copy.json" >"$WORK/$copy.txt"
    lan_expect_same "$copy copy's list" "$WORK/expected.txt" "$WORK/$copy.txt"
done
tail -c +"$((size + 1))" "$WORK/s1.log" >"$WORK/together.log"
lan_check discovery "$WORK/together.log" >"$WORK/together.txt"
[ "$(awk '$3 == 2 {print $2}' "$WORK/together.txt" | sort -u | grep -c .)" = 2 ] && [ "$(grep -c . "$WORK/together.txt")" = 4 ] ||
    lan_fail "two copies did not send two requests each under their own tags: $(cat "$WORK/together.txt")"
lan_pass
