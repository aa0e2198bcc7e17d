#!/bin/bash
# vidudi doctor on five segments, one scenario each, searched one at a time with --interface:
# no adapter (a mute one), one from another subnet, one answering with a foreign tag only, a
# device with a non-storage type code, a sound adapter; and the sound one again while another
# socket holds UDP port 13579. Each finding is checked by its name, and the exit status.
#   doctor_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
lan_ini "$WORK/s1.ini" "name=NAS-Mute;address=10.77.1.10;no-reply=yes"
lan_ini "$WORK/s2.ini" "name=NAS-Far;address=10.77.9.10;gateway=10.77.9.1"
lan_ini "$WORK/s3.ini" "name=NAS-Foreign;address=10.77.3.10;foreign-tag=yes"
lan_ini "$WORK/s4.ini" "name=Printer-67;address=10.77.4.10;reply-form=7;type-codes=6 7"
lan_ini "$WORK/s5.ini" "name=NAS-Good;address=10.77.5.10;gateway=10.77.5.1"
lan_lan 1 2 3 4 5
# doctor STATUS SEGMENT: the findings of a doctor run on 10.77.SEGMENT.2, one a line
doctor() {
    local expected=$1 status=0
    "${RUN[@]}" doctor --json --interface "10.77.$2.2" >"$WORK/doctor.json" 2>"$WORK/doctor.err" || status=$?
    [ "$status" = "$expected" ] || lan_fail "doctor on segment $2 ended with $status: $(cat "$WORK/doctor.json" "$WORK/doctor.err")"
    python3 - "$WORK/doctor.json" <<'PY' || lan_fail "doctor --json on segment $2: $(cat "$WORK/doctor.json")"
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
assert doc["problems"] == sum(f["problem"] for f in doc["findings"]), doc
for f in doc["findings"]:
    extra = {k: v for k, v in f.items() if k in ("address", "name", "typeCodes", "arrived", "accepted", "adapters",
                                                 "otherInstance", "notStorage", "malformed")}
    print(f["finding"], "PROBLEM" if f["problem"] else "ok", json.dumps(extra, sort_keys=True) if extra else "")
PY
}
sockets() { printf 'receive-socket ok \ngroup-joined ok \nrequest-sent ok \n'; }
# datagrams ARRIVED ACCEPTED ADAPTERS FOREIGN NOT-STORAGE
datagrams() {
    printf 'datagrams ok {"accepted": %d, "adapters": %d, "arrived": %d, "malformed": 0, "notStorage": %d, "otherInstance": %d}\n' "$2" "$3" "$1" "$5" "$4"
}
nothing() { printf 'nothing-answered PROBLEM \nlikely-cause ok \nlikely-cause ok \nlikely-cause ok \n'; }

{ sockets; datagrams 0 0 0 0 0; nothing; } >"$WORK/want.txt"
doctor 1 1 >"$WORK/got.txt"; lan_expect_same "doctor, no adapter" "$WORK/want.txt" "$WORK/got.txt"

{ sockets; datagrams 2 2 1 0 0; echo 'outside-subnet PROBLEM {"address": "10.77.9.10", "name": "NAS-Far"}'; } >"$WORK/want.txt"
doctor 1 2 >"$WORK/got.txt"; lan_expect_same "doctor, another subnet" "$WORK/want.txt" "$WORK/got.txt"

{ sockets; datagrams 2 0 0 2 0; echo 'foreign-tag PROBLEM {"address": "10.77.3.10", "name": "NAS-Foreign"}'; nothing; } >"$WORK/want.txt"
doctor 1 3 >"$WORK/got.txt"; lan_expect_same "doctor, foreign tag" "$WORK/want.txt" "$WORK/got.txt"
grep -q '"text":"1. A device answered, but not this search' "$WORK/doctor.json" || lan_fail "the first cause is not the foreign tag: $(cat "$WORK/doctor.json")"

{ sockets; datagrams 2 0 0 0 2; echo 'not-storage ok {"address": "10.77.4.10", "name": "Printer-67", "typeCodes": [6, 7]}'; nothing; } >"$WORK/want.txt"
doctor 1 4 >"$WORK/got.txt"; lan_expect_same "doctor, not a storage adapter" "$WORK/want.txt" "$WORK/got.txt"

{ sockets; datagrams 2 2 1 0 0; } >"$WORK/want.txt"
doctor 0 5 >"$WORK/got.txt"; lan_expect_same "doctor, a sound adapter" "$WORK/want.txt" "$WORK/got.txt"
"${RUN[@]}" --verbose doctor --interface 10.77.5.2 >"$WORK/doctor.txt" 2>"$WORK/doctor.err" || lan_fail "doctor (text) ended with $?"
grep -q '^ok       10.77.5.2: receive socket bound to UDP port 13579 \[receive-socket\]' "$WORK/doctor.txt" &&
    grep -q '^Nothing wrong found\.' "$WORK/doctor.txt" || lan_fail "doctor's text: $(cat "$WORK/doctor.txt")"
# --verbose still traces what the doctor counts.
[ "$(grep -c '^read on 10.77.5.2: op 2 from 10.77.5.10, [0-9]* bytes: ' "$WORK/doctor.err")" = 2 ] ||
    lan_fail "doctor --verbose: $(cat "$WORK/doctor.err")"

# Another program holds the port (bound without SO_REUSEADDR): said so, and named first.
vlan_client_exec python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("0.0.0.0", 13579)); print("bound", flush=True); time.sleep(600)' \
    >"$WORK/holder.out" 2>&1 &
holder=$!
while ! grep -q bound "$WORK/holder.out"; do kill -0 "$holder" 2>/dev/null || lan_fail "holder: $(cat "$WORK/holder.out")"; sleep 0.05; done
{ echo 'port-in-use PROBLEM '; echo 'group-joined ok '; echo 'request-sent ok '; datagrams 0 0 0 0 0; nothing; } >"$WORK/want.txt"
doctor 1 5 >"$WORK/got.txt"; lan_expect_same "doctor, port held" "$WORK/want.txt" "$WORK/got.txt"
grep -q '"text":"1. Another program holds UDP port 13579' "$WORK/doctor.json" || lan_fail "the first cause is not the port: $(cat "$WORK/doctor.json")"
lan_pass
