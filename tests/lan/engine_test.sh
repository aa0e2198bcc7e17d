#!/bin/bash
# Waits over real sockets: one search window for 6 and 32 addresses, 500 adapters, request waits
# under a 1 ms flood, a 4.9 KB reply read whole. Timing is read off the emulator's log (kernel
# arrival stamps on one clock), never off the wall time of a whole run, which under Wine or on
# a loaded machine says more about start-up than about the search.
#   engine_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: the Windows build under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
run() {  # run CMD...: the program; its output in $WORK/out(.err), its status in $WORK/status
    "${RUN[@]}" "$@" >"$WORK/out" 2>"$WORK/out.err"; echo $? >"$WORK/status"
}
status() { cat "$WORK/status"; }
within() {  # within LOW HIGH VALUE WHAT
    awk -v low="$1" -v high="$2" -v v="$3" 'BEGIN { exit !(v >= low && v <= high) }' || lan_fail "$4 took $3 s, expected $1 to $2 s"
}
listed() {  # listed PYTHON-EXPRESSION: the search's names must equal it
    run list --json
    [ "$(status)" = 0 ] || lan_fail "list ended with $(status)"
    python3 -c 'import json, sys; d = json.load(open(sys.argv[1]))["devices"]; names = [x["name"] for x in d]
ok = sorted(names) == eval(sys.argv[2]) and all(x["localAddress"].split(".")[2] == x["name"].split("-")[1] for x in d if x["name"][4].isdigit() and x["name"].count("-") == 2)
sys.exit(0 if ok else "listed %s" % [(x["name"], x["localAddress"]) for x in d][:20])' "$WORK/out" "$1" || lan_fail "wrong adapters listed"
}
# window N DEVICE LOG: `show DEVICE` searches, then queries DEVICE at once; DEVICE's emulator saw
# the search's first request and the first query, so their distance is the search. One window is
# 1.04 s; searching address after address would cost 1.04 s for each of the N. The bounds leave
# half a second for a busy machine.
window() {
    run show "$2"
    [ "$(status)" = 0 ] || lan_fail "show $2 ended with $(status): $(cat "$WORK/out.err")"
    local took; took=$(lan_check window "$3")
    within 0.9 1.6 "$took" "a search of $1 addresses (at the adapter)"
    echo "report: a search of $1 addresses lasted $took s at the adapter"
}

# Six addresses on six segments, ten adapters; the later segments answer first.
for s in 1 2 3 4 5 6; do
    lan_ini "$WORK/s$s.ini" "name=NAS-$s-1;address=10.77.$s.10;reply-delay-ms=$((300 - 50 * s))" \
        $([ $s -lt 5 ] && echo "name=NAS-$s-2;address=10.77.$s.11;reply-delay-ms=$((300 - 50 * s))")
done
lan_lan 1 2 3 4 5 6
listed 'sorted("NAS-%d-%d" % (s, n) for s in range(1, 7) for n in (1, 2) if s < 5 or n == 1)'
[ "$(grep -o '"iface":[0-9]*' "$WORK/out" | sort -c -t: -k2 -n 2>&1)" = "" ] || lan_fail "not listed address after address"
window 6 NAS-1-1 "$WORK/s1.log"
vlan_destroy

# 32 local addresses, the most the table holds: one window, the adapters behind the first and
# the last found.
lan_init_program "$@"
for s in $(seq 1 31); do vlan_add_segment "$s"; vlan_add_client_iface "$s" >/dev/null; done
lan_ini "$WORK/s1.ini" "name=NAS-First;address=10.77.1.10"
lan_ini "$WORK/s32.ini" "name=NAS-Last;address=10.77.32.10"
lan_lan 32
vlan_start_emulator 1 "$WORK/s1.ini" "$WORK/s1.log" || lan_fail "emulator 1 did not start"
listed '["NAS-First", "NAS-Last"]'
window 32 NAS-First "$WORK/s1.log"
vlan_destroy

# 500 adapters on one segment, answering both copies within 250 ms.
lan_init_program "$@"
python3 -c 'for k in range(500): print("[device]\nname = NAS-%03d\naddress = 10.77.%d.%d\nnetmask = 255.255.0.0\nidentity = 00:11:22:33:%02x:%02x\nreply-delay-ms = %d\n"
    % (k, 200 + k // 250, k % 250 + 2, k // 256, k % 256, (k * 7) % 250))' >"$WORK/s1.ini"
VLAN_READY_TIMEOUT_S=60 lan_lan 1
listed '["NAS-%03d" % k for k in range(500)]'

# Requests under a datagram of another op every millisecond; a 60-name, 4.9 KB share list. An
# 11-cycle wait lasts 1.11 s: the answer at 0.5 s is taken and the one at 2 s is not, each with
# over half a second to spare.
lan_ini "$WORK/slow.ini" "name=NAS-Prompt;address=10.77.1.10;workgroup=PROMPT;query-reply-delay-ms=500" \
    "name=NAS-Late;address=10.77.1.11;workgroup=LATE;query-reply-delay-ms=2000" \
    "name=NAS-Wide;address=10.77.1.12;shares=$(python3 -c 'print(":".join("%02d" % k + "s" * 78 for k in range(60)))')"
vlan_start_emulator 1 "$WORK/slow.ini" "$WORK/slow.log" || lan_fail "emulator did not start"
vlan_segment_exec 1 python3 "$LAN_TESTS_DIR/noise.py" 10.77.1.10 1 &
noise=$!
run workgroup NAS-Prompt
[ "$(status)" = 0 ] && [ "$(tr -d '\r' <"$WORK/out")" = PROMPT ] ||
    lan_fail "the reply at 0.5 s behind the flood was not taken: status $(status), $(cat "$WORK/out" "$WORK/out.err")"
run workgroup NAS-Late
[ "$(status)" = 1 ] || lan_fail "the reply at 2 s was taken for an 11-cycle wait: status $(status)"
run shares NAS-Wide --json
python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))["shares"] != ["%02d" % k + "s" * 78 for k in range(60)])' \
    "$WORK/out" || lan_fail "the 4.9 KB share list was not read whole"
kill "$noise" 2>/dev/null
lan_pass
