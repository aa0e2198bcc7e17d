#!/bin/bash
# nas-emulator itself, driven by a bare client: configuration errors name file and line, it
# runs only in a test namespace, replies keep their delays, the web page names the devices, and
# SIGTERM ends it cleanly. (A device given a new static address answering from it is lan.commands'
# set-ip, on the program's side.)
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
RAW="python3 $LAN_TESTS_DIR/raw_client.py"

vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null

# --- configuration errors: status 2 and "file:line: message" (run in the client namespace,
# where the emulator never gets as far as the network)
bad_config() {  # LINE MESSAGE-PART CONTENT
    local line=$1 part=$2 status=0
    printf '%s\n' "$3" >"$WORK/bad.ini"
    vlan_client_exec "$NAS_EMULATOR" --config "$WORK/bad.ini" --log "$WORK/bad-run.txt" \
        >/dev/null 2>"$WORK/bad.err" || status=$?
    [ "$status" = 2 ] || lan_fail "bad config ($part) gave status $status, not 2"
    grep -qF "$WORK/bad.ini:$line: " "$WORK/bad.err" && grep -qF -- "$part" "$WORK/bad.err" ||
        lan_fail "bad config: expected '$WORK/bad.ini:$line: ...$part...', got: $(cat "$WORK/bad.err")"
}
bad_config 3 "unknown key 'colour'" $'[device]\naddress = 10.77.1.10\ncolour = blue'
bad_config 1 "outside a [device] section" $'name = x\n[device]\naddress = 10.77.1.10'
bad_config 4 "used by an earlier device" $'[device]\naddress = 10.77.1.10\n[device]\naddress = 10.77.1.10'

# --- it refuses a namespace that is not a test namespace: the one the scripts run in, or one
# with an address outside 10.77.0.0/16 (shown with a veth pair inside the client namespace)
printf '[device]\naddress = 10.77.1.10\n' >"$WORK/good.ini"
refused() {  # WHY-PART CMD...
    local part=$1 status=0
    shift
    "$@" >/dev/null 2>"$WORK/refused.err" || status=$?
    [ "$status" = 2 ] && grep -qF -- "$part" "$WORK/refused.err" ||
        lan_fail "nas-emulator was not refused ($part): status $status, $(cat "$WORK/refused.err")"
}
refused "the test scripts run in" vlan_client_exec /bin/bash -c \
    'VLAN_ROOT_NETNS=$(readlink /proc/self/ns/net) exec "$0" --config "$1"' "$NAS_EMULATOR" "$WORK/good.ini"
client=${VLAN_ID}-cl
ip -n "$client" link add probe0 type veth peer name probe1 && ip -n "$client" addr add 192.0.2.1/24 dev probe0 ||
    lan_fail "cannot add the probe interface"
refused "outside 10.77.0.0/16" vlan_client_exec "$NAS_EMULATOR" --config "$WORK/good.ini"
ip -n "$client" link del probe0

cat >"$WORK/devices.ini" <<'INI'
[device]
name = NAS-One
address = 10.77.1.10
identity = 00:11:22:33:44:01
gateway = 10.77.1.1
shares = Public:Média

[device]
name = NAS-Two <&>
address = 10.77.1.11
identity = 00:11:22:33:44:02
reply-delay-ms = 300
INI
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/segment1.log" || lan_fail "emulator did not start"

tag=a1a2a3a4a5a60000000
tag=${tag}0
discovery="01$tag"

# --- discovery: NAS-One at once, NAS-Two 300 ms later
vlan_client_exec $RAW 10.77.1.2 800 "$discovery" >"$WORK/raw1.txt" || lan_fail "raw client failed"
grep -q "^10.77.1.10:13579 len=67 02$tag" "$WORK/raw1.txt" || lan_fail "no op-2 reply from 10.77.1.10 port 13579"
grep -q "^10.77.1.11:13579 len=71 02$tag" "$WORK/raw1.txt" || lan_fail "no op-2 reply from 10.77.1.11"
python3 - "$WORK/segment1.log" <<'PY' || lan_fail "reply delays are not kept"
import re, sys
recv = send = None
for line in open(sys.argv[1]):
    fields = line.split()
    if fields[1] == "recv" and fields[6].startswith("01") and recv is None:
        recv = int(fields[0])
    if fields[1] == "send" and fields[2] == "10.77.1.11" and send is None:
        send = int(fields[0])
delay = send - recv
assert 290 <= delay <= 360, delay
PY

# --- the web page
vlan_client_exec python3 - >"$WORK/web.txt" 2>&1 <<'PY' || { cat "$WORK/web.txt" >&2; lan_fail "web page"; }
import urllib.request
page = urllib.request.urlopen("http://10.77.1.10/", timeout=5).read().decode()
assert "NAS-One" in page and "10.77.1.10" in page, page
assert "NAS-Two &lt;&amp;&gt;" in page, page
PY
grep -q " web GET / HTTP/1.1$" "$WORK/segment1.log" || lan_fail "the web request is not in the log"

# --- SIGTERM: a clean end with status 0
read -r pid _ <"$VLAN_DIR/pids"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || lan_fail "nas-emulator ended with status $status after SIGTERM"
tail -n 1 "$WORK/segment1.log" | grep -q " stopped$" || lan_fail "no 'stopped' line at the end of the log"

lan_pass
