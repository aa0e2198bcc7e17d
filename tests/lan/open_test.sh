#!/bin/bash
# vidudi open: the page goes to the browser (a stand-in, VIDUDI_BROWSER) once, as one argument,
# only when port 80 accepts; else status 1 and no browser. A silent probe gives up after 2 s.
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
real_emulator=$NAS_EMULATOR

lan_ini "$WORK/devices.ini" "name=NAS;address=10.77.1.10;gateway=10.77.1.1" "name=NAS-2;address=10.77.1.11;gateway=10.77.1.1"

vlan_add_segment 1
client=$(vlan_add_client_iface 1)
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/emulator.log" || lan_fail "emulator did not start"

cat >"$WORK/browser.sh" <<SH
#!/bin/sh
echo run >>'$WORK/runs'
for a in "\$@"; do printf '%s\n' "\$a"; done >>'$WORK/opened'
exit \$(cat '$WORK/browser-status')
SH
chmod +x "$WORK/browser.sh"
echo 0 >"$WORK/browser-status"
export VIDUDI_BROWSER=$WORK/browser.sh

run() {
    local expected=$1 out=$2 status=0
    shift 2
    vlan_client_exec "$VIDUDI" "$@" </dev/null >"$out" 2>"$out.err" || status=$?
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected: $(cat "$out.err")"
}
expect_file() {  # expect_file FILE TEXT: the whole file
    [ "$(cat "$1" 2>/dev/null)" = "$2" ] || lan_fail "$(basename "$1") holds '$(cat "$1" 2>/dev/null)', expected '$2'"
}
no_browser_since() {  # no_browser_since RUNS: the browser was not started again
    [ "$(wc -l <"$WORK/runs")" = "$1" ] || lan_fail "the browser was started: $(cat "$WORK/opened")"
}
: >"$WORK/runs"
: >"$WORK/opened"

run 2 "$WORK/noarg.txt" open
no_browser_since 0

# --- by name and by address: the address goes to the browser once, as its only argument
run 0 "$WORK/open1.txt" open NAS
expect_file "$WORK/open1.txt" "Opened http://10.77.1.10 (NAS)."
expect_file "$WORK/runs" "run"
expect_file "$WORK/opened" "http://10.77.1.10"
run 0 "$WORK/open2.json" open 10.77.1.11 --json
expect_file "$WORK/open2.json" '{"address":"10.77.1.11","url":"http://10.77.1.11"}'
expect_file "$WORK/opened" "$(printf 'http://10.77.1.10\nhttp://10.77.1.11')"

# --- a browser that fails is reported, not taken for success
echo 4 >"$WORK/browser-status"
run 1 "$WORK/fails.txt" open NAS
grep -qF "vidudi: the browser could not be started for http://10.77.1.10" "$WORK/fails.txt.err" ||
    lan_fail "failing browser: $(cat "$WORK/fails.txt.err")"
echo 0 >"$WORK/browser-status"
runs=$(wc -l <"$WORK/runs")

# --- no such adapter: nothing to open
run 3 "$WORK/missing.txt" open 10.77.1.99
no_browser_since "$runs"

# --- the adapters answer the search, but their web page is on another port: port 80 refuses
stop_emulators() {
    local pid rest
    while read -r pid rest; do
        vlan__running "$pid" && kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done <"$VLAN_DIR/pids"
}
stop_emulators
cat >"$WORK/emulator-8080.sh" <<SH
#!/bin/sh
exec '$real_emulator' --web-port 8080 "\$@"
SH
chmod +x "$WORK/emulator-8080.sh"
NAS_EMULATOR=$WORK/emulator-8080.sh vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/emulator.log" ||
    lan_fail "emulator on web port 8080 did not start"
grep -q "web listening on port 8080" "$WORK/emulator.log" || lan_fail "the emulator does not serve port 8080"
run 1 "$WORK/refused.txt" open NAS
expect_file "$WORK/refused.txt.err" "vidudi: NAS (10.77.1.10) is no longer available"
no_browser_since "$runs"

# --- port 80, but a black-hole route loses the adapter's answers to the client (the search
# replies go to the group): the probe gives up after 2 s
stop_emulators
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/emulator.log" || lan_fail "emulator did not restart"
ip -n "$(vlan__devns 1)" route add blackhole "$client/32" || lan_fail "cannot add the black-hole route"
start=$(date +%s%N)
run 0 "$WORK/list.txt" list
listed=$(date +%s%N)
run 1 "$WORK/silent.txt" open NAS
done_at=$(date +%s%N)
expect_file "$WORK/silent.txt.err" "vidudi: NAS (10.77.1.10) is no longer available"
no_browser_since "$runs"
# open = a search like list's, plus the probe's wait
extra_ms=$(( ((done_at - listed) - (listed - start)) / 1000000 ))
[ "$extra_ms" -ge 1700 ] && [ "$extra_ms" -le 2800 ] ||
    lan_fail "the silent probe took about $extra_ms ms beyond the search, expected 2000"

# --- and once the route is back, the page opens again
ip -n "$(vlan__devns 1)" route del blackhole "$client/32" || lan_fail "cannot remove the black-hole route"
run 0 "$WORK/again.txt" open NAS
[ "$(tail -n 1 "$WORK/opened")" = "http://10.77.1.10" ] || lan_fail "not opened after the route came back"
no_browser_since $((runs + 1))

lan_pass
