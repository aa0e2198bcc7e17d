#!/bin/bash
# vidudi watch --json --count 6 while adapters come, change and go: one event per change, as the
# adapters' identity bytes see it (an address change is one "changed"), and "gone" only after
# two searches without the adapter. Each adapter runs in an emulator of its own, so that it can
# be restarted with another name or address, or stopped. Natively also: Ctrl+C ends it, status 0.
#   watch_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
vlan_add_segment 1 && vlan_add_client_iface 1 >/dev/null || lan_fail "segment 1"
declare -A pid
start() {  # start KEY "key=value;..."
    lan_ini "$WORK/$1.ini" "$2"
    vlan_start_emulator 1 "$WORK/$1.ini" "$WORK/$1.log" || lan_fail "emulator $1 did not start"
    pid[$1]=$(tail -n 1 "$VLAN_DIR/pids" | cut -d' ' -f1)
}
stop() { kill "${pid[$1]}" && while kill -0 "${pid[$1]}" 2>/dev/null; do sleep 0.05; done; }
start stay "name=NAS-Stay;address=10.77.1.10;identity=00:0e:a1:00:00:0a"
start rename "name=NAS-Old;address=10.77.1.11;identity=00:0e:a1:00:00:0b"
start move "name=NAS-Move;address=10.77.1.12;identity=00:0e:a1:00:00:0c;gateway=10.77.1.1"
start leave "name=NAS-Leave;address=10.77.1.13;identity=00:0e:a1:00:00:0d"

"${RUN[@]}" watch --json --count 6 >"$WORK/events.json" 2>"$WORK/watch.err" &
watcher=$!
# After the first search has reported the four, everything changes at once.
while [ "$(grep -c '"event"' "$WORK/events.json")" -lt 4 ]; do
    kill -0 "$watcher" 2>/dev/null || lan_fail "watch ended early: $(cat "$WORK/watch.err")"
    sleep 0.1
done
stop rename && start rename "name=NAS-New;address=10.77.1.11;identity=00:0e:a1:00:00:0b"
stop move && start move "name=NAS-Move;address=10.77.1.22;identity=00:0e:a1:00:00:0c;gateway=10.77.1.1"
stop leave
start come "name=NAS-Come;address=10.77.1.14;identity=00:0e:a1:00:00:0e"
wait "$watcher" || lan_fail "watch ended with status $?: $(cat "$WORK/watch.err")"

python3 - "$WORK/events.json" >"$WORK/events.txt" <<'PY' || lan_fail "watch --json is not one object a line: $(cat "$WORK/events.json")"
import json, sys
times = []
for line in open(sys.argv[1], encoding="utf-8").read().replace("\r\n", "\n").splitlines():
    e = json.loads(line)
    keys = ["event", "time", "identity", "name", "address", "netmask", "gateway", "dhcp", "localAddress"]
    assert list(e)[:9] == keys and (list(e)[9:] == (["changed", "before"] if e["event"] == "changed" else [])), e
    assert e["time"].endswith("Z") and len(e["time"]) == 24, e
    times.append(e["time"])
    extra = " ".join("%s:%s->%s" % (f, e["before"][f], e[f]) for f in e.get("changed", []))
    print(e["event"], e["identity"], e["name"], e["address"], e["localAddress"], extra)
assert times == sorted(times), times
PY
# The first four lines are the first search, the rest the later ones; within a search the order
# is that of the answers, so each part is sorted.
{ head -n 4 "$WORK/events.txt" | LC_ALL=C sort; tail -n +5 "$WORK/events.txt" | LC_ALL=C sort; } >"$WORK/got.txt"
lan_expect_same "watch events" - "$WORK/got.txt" <<'TXT'
appeared 000ea100000a NAS-Stay 10.77.1.10 10.77.1.2 
appeared 000ea100000b NAS-Old 10.77.1.11 10.77.1.2 
appeared 000ea100000c NAS-Move 10.77.1.12 10.77.1.2 
appeared 000ea100000d NAS-Leave 10.77.1.13 10.77.1.2 
appeared 000ea100000e NAS-Come 10.77.1.14 10.77.1.2 
changed 000ea100000b NAS-New 10.77.1.11 10.77.1.2 name:NAS-Old->NAS-New
changed 000ea100000c NAS-Move 10.77.1.22 10.77.1.2 address:10.77.1.12->10.77.1.22
gone 000ea100000d NAS-Leave 10.77.1.13 10.77.1.2 
TXT
# Six searches, two requests each under one tag, at the default interval of 2 s from start to
# start (the emulator's clock: at least 1.5 s apart).
python3 - "$WORK/stay.log" <<'PY' || lan_fail "the searches of watch: $(grep ' recv ' "$WORK/stay.log" | cut -c1-70)"
import re, sys
got = [re.match(r"^(\d+) recv \* from \S+ len=11 01([0-9a-f]{20})$", line) for line in open(sys.argv[1])]
got = [(int(m.group(1)), m.group(2)) for m in got if m]
assert len(got) == 12 and len({tag for _, tag in got}) == 1, got
starts = [ms for ms, _ in got][0::2]
assert all(b - a >= 1500 for a, b in zip(starts, starts[1:])), starts
PY

if [ -z "$LAN_WINE_PREFIX" ]; then
    # Straight into the namespace, so that $! is the program itself (ip netns exec execs it).
    ip netns exec "$(vlan__client)" "$VIDUDI" watch >"$WORK/text.out" 2>"$WORK/watch.err" &
    watcher=$!
    while ! grep -q '  appeared  NAS-Stay at 10.77.1.10 (netmask 255.255.255.0, gateway , DHCP no, local address 10.77.1.2)$' "$WORK/text.out"; do
        kill -0 "$watcher" 2>/dev/null || lan_fail "watch ended early: $(cat "$WORK/watch.err")"
        sleep 0.1
    done
    kill -INT "$watcher"
    status=0 && wait "$watcher" || status=$?
    [ "$status" = 0 ] || lan_fail "watch ended by Ctrl+C with status $status"
fi
lan_pass
