#!/bin/bash
# Hostile adapters over real sockets: oversized counts, fields without NUL, a too-long host name,
# a foreign tag, slow, late, mute, one-copy and chatty adapters, two adapters on one address.
# vidudi lists the sound ones with every text bounded. Also: the emulator refuses a namespace
# that is not a test namespace.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"

longName=$(printf 'N%.0s' $(seq 1 300))

cat >"$WORK/segment1.ini" <<INI
[device]
name = NAS-Plain
address = 10.77.1.10
gateway = 10.77.1.1

[device]
name = NAS-Long
address = 10.77.1.11
oversize-name-length = 100000

[device]
name = NAS-NoNul
address = 10.77.1.12
reply-form = 7
type-codes = 0 10
fields-without-nul = yes

[device]
name = NAS-Foreign
address = 10.77.1.13
foreign-tag = yes

[device]
name = $longName
address = 10.77.1.14

[device]
name = NAS-Slow
address = 10.77.1.15
reply-delay-ms = 500

[device]
name = NAS-Late
address = 10.77.1.16
reply-delay-ms = 1500

[device]
name = NAS-OneCopy
address = 10.77.1.17
answer-one-copy = yes

[device]
name = NAS-Flood
address = 10.77.1.18
flood-other-ops = 3

[device]
name = NAS-Mute
address = 10.77.1.19
no-reply = yes
INI

# A second adapter with the address of the first, answering a little later: the first wins.
cat >"$WORK/twin.ini" <<'INI'
[device]
name = NAS-Twin
address = 10.77.1.10
identity = 02:00:00:00:00:10
gateway = 10.77.1.99
reply-delay-ms = 200
INI

vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
vlan_start_emulator 1 "$WORK/segment1.ini" "$WORK/segment1.log" || lan_fail "emulator did not start"
vlan_start_emulator 1 "$WORK/twin.ini" "$WORK/twin.log" || lan_fail "twin emulator did not start"

lan_vidudi "$WORK/list.json" list --json
lan_check devices "$WORK/list.json" | sort >"$WORK/devices.txt"
{
    echo "NAS-Plain|10.77.1.10|255.255.255.0|10.77.1.1|false|10.77.1.2|0"
    echo "NAS-Long|10.77.1.11|255.255.255.0||false|10.77.1.2|0"
    echo "NAS-NoNul|10.77.1.12|255.255.255.099|999999999999999|false|10.77.1.2|0"
    echo "${longName:0:255}|10.77.1.14|255.255.255.0||false|10.77.1.2|0"
    echo "NAS-Slow|10.77.1.15|255.255.255.0||false|10.77.1.2|0"
    echo "NAS-OneCopy|10.77.1.17|255.255.255.0||false|10.77.1.2|0"
    echo "NAS-Flood|10.77.1.18|255.255.255.0||false|10.77.1.2|0"
} | sort >"$WORK/expected.txt"
lan_expect_same "vidudi list --json" "$WORK/expected.txt" "$WORK/devices.txt"

# The faults were on the wire.
lan_check discovery "$WORK/segment1.log" >"$WORK/requests.txt"
tag=$(awk 'NR == 1 {print $2}' "$WORK/requests.txt")
python3 - "$WORK/segment1.log" "$tag" <<'PY' || lan_fail "the emulator did not send the faults it was configured with"
import re, sys
path, tag = sys.argv[1], bytes.fromhex(sys.argv[2])
sent = {}
for line in open(path):
    m = re.match(r"^\d+ send (\S+) to \S+ len=\d+ ([0-9a-f]+)$", line.strip())
    if m:
        sent.setdefault(m.group(1), []).append(bytes.fromhex(m.group(2)))
foreign = sent["10.77.1.13"][0]
assert foreign[1:7] != tag[:6], "foreign tag equals ours"
long_reply = sent["10.77.1.11"][0]
claimed = int.from_bytes(long_reply[56:60], "little")
assert claimed == 100000 + len("NAS-Long") and len(long_reply) == 60 + len("NAS-Long"), claimed
nonul = sent["10.77.1.12"][0]
assert b"\0" not in nonul[24:56], nonul[24:56]
assert sorted({d[0] for d in sent["10.77.1.18"]}) == [2, 8, 9, 10], {d[0] for d in sent["10.77.1.18"]}
assert "10.77.1.19" not in sent
assert len(sent["10.77.1.17"]) == 1
PY

status=0
vlan_client_exec /bin/bash -c 'VLAN_ROOT_NETNS=$(readlink /proc/self/ns/net) exec "$0" --config "$1"' \
    "$NAS_EMULATOR" "$WORK/twin.ini" >/dev/null 2>"$WORK/refused.err" || status=$?
[ "$status" = 2 ] && grep -qF "the test scripts run in" "$WORK/refused.err" ||
    lan_fail "nas-emulator ran in the scripts' namespace: status $status, $(cat "$WORK/refused.err")"
lan_pass
