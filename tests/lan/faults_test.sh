#!/bin/bash
# Hostile adapters over real sockets: oversized counts, fields without NUL, a too-long host name,
# a foreign tag, slow, late, mute, one-copy and chatty adapters, two adapters on one address
# (the first to answer wins). vidudi lists the sound ones with every text bounded. Each timing
# has over half a second to spare against the search's 1.04 s window and against the other
# answer: slow at 0.5 s, late at 1.7 s, the twin at 0.55 s. Also: the emulator refuses a
# namespace that is not a test namespace.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
long=$(printf 'N%.0s' $(seq 1 300))
lan_ini "$WORK/s1.ini" "name=NAS-Plain;address=10.77.1.10;gateway=10.77.1.1" \
    "name=NAS-Long;address=10.77.1.11;oversize-name-length=100000" \
    "name=NAS-NoNul;address=10.77.1.12;reply-form=7;type-codes=0 10;fields-without-nul=yes" \
    "name=NAS-Foreign;address=10.77.1.13;foreign-tag=yes" "name=$long;address=10.77.1.14" \
    "name=NAS-Slow;address=10.77.1.15;reply-delay-ms=500" "name=NAS-Late;address=10.77.1.16;reply-delay-ms=1700" \
    "name=NAS-OneCopy;address=10.77.1.17;answer-one-copy=yes" "name=NAS-Flood;address=10.77.1.18;flood-other-ops=3" \
    "name=NAS-Mute;address=10.77.1.19;no-reply=yes"
lan_ini "$WORK/twin.ini" "name=NAS-Twin;address=10.77.1.10;identity=02:00:00:00:00:10;gateway=10.77.1.99;reply-delay-ms=550"
lan_lan 1
vlan_start_emulator 1 "$WORK/twin.ini" "$WORK/twin.log" || lan_fail "twin emulator did not start"

vlan_client_exec "$VIDUDI" list --json >"$WORK/list.json" || lan_fail "list ended with status $?"
lan_check devices "$WORK/list.json" | sort >"$WORK/devices.txt"
sort >"$WORK/expected.txt" <<TXT
NAS-Plain|10.77.1.10|255.255.255.0|10.77.1.1|false|10.77.1.2|0
NAS-Long|10.77.1.11|255.255.255.0||false|10.77.1.2|0
NAS-NoNul|10.77.1.12|255.255.255.099|999999999999999|false|10.77.1.2|0
${long:0:255}|10.77.1.14|255.255.255.0||false|10.77.1.2|0
NAS-Slow|10.77.1.15|255.255.255.0||false|10.77.1.2|0
NAS-OneCopy|10.77.1.17|255.255.255.0||false|10.77.1.2|0
NAS-Flood|10.77.1.18|255.255.255.0||false|10.77.1.2|0
TXT
lan_expect_same "vidudi list --json" "$WORK/expected.txt" "$WORK/devices.txt"

# The faults the list cannot show were on the wire.
python3 - "$WORK/s1.log" <<'PY' || lan_fail "the emulator did not send the faults it was configured with"
import re, sys
sent = {}
for m in filter(None, (re.match(r"^\d+ send (\S+) to \S+ len=\d+ ([0-9a-f]+)$", l) for l in open(sys.argv[1]))):
    sent.setdefault(m.group(1), []).append(bytes.fromhex(m.group(2)))
assert int.from_bytes(sent["10.77.1.11"][0][56:60], "little") == 100008 and len(sent["10.77.1.11"][0]) == 68
assert sorted({d[0] for d in sent["10.77.1.18"]}) == [2, 8, 9, 10] and len(sent["10.77.1.17"]) == 1
PY

status=0
vlan_client_exec /bin/bash -c 'VLAN_ROOT_NETNS=$(readlink /proc/self/ns/net) exec "$0" --config "$1"' \
    "$NAS_EMULATOR" "$WORK/twin.ini" >/dev/null 2>"$WORK/refused.err" || status=$?
[ "$status" = 2 ] && grep -qF "the test scripts run in" "$WORK/refused.err" ||
    lan_fail "nas-emulator ran in the scripts' namespace: status $status, $(cat "$WORK/refused.err")"
lan_pass
