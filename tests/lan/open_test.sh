#!/bin/bash
# vidudi open: the page goes to the browser (a stand-in, VIDUDI_BROWSER) once, as one argument,
# only when port 80 accepts; else status 1 and no browser. A silent probe gives up after 2 s.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
lan_ini "$WORK/s1.ini" "name=NAS;address=10.77.1.10;gateway=10.77.1.1"
vlan_add_segment 1
client=$(vlan_add_client_iface 1)
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$WORK/opened" >"$WORK/browser.sh"
chmod +x "$WORK/browser.sh"
export VIDUDI_BROWSER=$WORK/browser.sh
: >"$WORK/opened"
run() {  # run STATUS ARGS...
    local expected=$1 status=0
    shift
    vlan_client_exec "$VIDUDI" "$@" </dev/null >"$WORK/out" 2>"$WORK/out.err" || status=$?
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected: $(cat "$WORK/out.err")"
}
opened() {  # opened TEXT: the browser's arguments so far, one a line
    [ "$(cat "$WORK/opened")" = "$1" ] || lan_fail "the browser got '$(cat "$WORK/opened")', expected '$1'"
}
unavailable() { run 1 open NAS; opened http://10.77.1.10; [ "$(cat "$WORK/out.err")" = "vidudi: NAS (10.77.1.10) is no longer available" ] || lan_fail "open: $(cat "$WORK/out.err")"; }
restart() {  # restart [EMULATOR OPTION...]
    local pid rest
    while read -r pid rest; do kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done <"$VLAN_DIR/pids"
    printf '#!/bin/sh\nexec "%s" %s "$@"\n' "$real_emulator" "$*" >"$WORK/emulator.sh"
    chmod +x "$WORK/emulator.sh"
    NAS_EMULATOR=$WORK/emulator.sh vlan_start_emulator 1 "$WORK/s1.ini" "$WORK/s1.log" || lan_fail "emulator did not start"
}
real_emulator=$NAS_EMULATOR
restart

run 0 open NAS
opened http://10.77.1.10
[ "$(cat "$WORK/out")" = "Opened http://10.77.1.10 (NAS)." ] || lan_fail "open: $(cat "$WORK/out")"

# The adapters answer the search, but their web page is on port 8080: port 80 refuses.
restart --web-port 8080
grep -q "web listening on port 8080" "$WORK/s1.log" || lan_fail "the emulator does not serve port 8080"
unavailable

# Port 80, but a black-hole route loses the adapter's answers to the client (the search replies
# go to the group): open takes the search's time plus the probe's 2 s.
restart
ip -n "$(vlan__devns 1)" route add blackhole "$client/32" || lan_fail "cannot add the black-hole route"
start=$(date +%s%N)
run 0 list
listed=$(date +%s%N)
unavailable
extra_ms=$(( ($(date +%s%N) - 2 * listed + start) / 1000000 ))
# Two whole runs on a shared machine: half a second below, a second and a half above.
[ "$extra_ms" -ge 1500 ] && [ "$extra_ms" -le 3500 ] || lan_fail "the silent probe took about $extra_ms ms beyond the search, expected 2000"
lan_pass
