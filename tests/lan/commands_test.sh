#!/bin/bash
# Every command against emulated adapters: request bytes as received (emulator log), output,
# exit status, and what a later search shows.
#   commands_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"

cat >"$WORK/devices.ini" <<'INI'
[device]
name = NAS-Open
address = 10.77.1.10
identity = 00:0e:a1:00:00:0a
gateway = 10.77.1.1
dhcp-address = 10.77.1.60
shares = public:Fotó:music
workgroup = WORKGROUP

[device]
name = NAS-Locked
address = 10.77.1.11
identity = 00:0e:a1:00:00:0b
gateway = 10.77.1.1
admin-password = s3cret
workgroup = OFFICE
INI
# Two share names that differ only past the 131 bytes a share record keeps.
long=$(printf 'L%.0s' $(seq 1 131))
cat >>"$WORK/devices.ini" <<INI

[device]
name = NAS-Cut
address = 10.77.1.12
identity = 00:0e:a1:00:00:0c
shares = ${long}A1:${long}B2:Short
INI

vlan_add_segment 1
vlan_add_client_iface 1 >/dev/null
vlan_start_emulator 1 "$WORK/devices.ini" "$WORK/emulator.log" || lan_fail "emulator did not start"

# run STATUS OUT [stdin-file] -- ARGS...: vidudi in the client namespace, expecting STATUS.
run() {
    local expected=$1 out=$2 input=$3 status=0
    shift 4
    "${RUN[@]}" "$@" <"$input" >"$out" 2>"$out.err" || status=$?
    sed -i 's/\r$//' "$out" "$out.err"  # Windows line ends
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected"
}
mark() { wc -l <"$WORK/emulator.log"; }
requests() { python3 "$LAN_TESTS_DIR/request_log.py" "$WORK/emulator.log" "$1"; }
expect_text() {  # expect_text FILE TEXT
    grep -qF -- "$2" "$1" || { cat "$1" >&2; lan_fail "$(basename "$1") lacks '$2'"; }
}
listed() {  # the devices of a new search, one line each
    run 0 "$WORK/list.json" /dev/null -- list --json
    lan_check devices "$WORK/list.json"
}
: >"$WORK/empty"

# --- the program names itself as called: vidudi-cli on Windows, vidudi elsewhere
program=vidudi
[ -n "$LAN_WINE_PREFIX" ] && program=vidudi-cli
run 0 "$WORK/help.txt" "$WORK/empty" -- --help
expect_text "$WORK/help.txt" "Usage: $program [--verbose] <command>"
run 2 "$WORK/usage.txt" "$WORK/empty" -- set-name 10.77.1.10
expect_text "$WORK/usage.txt.err" "$program set-name: expected 2 arguments, got 1"
expect_text "$WORK/usage.txt.err" "Usage: $program set-name DEVICE NAME"

# --- queries: work group (by address) and shares (by name), with the exact request bytes
m=$(mark)
run 0 "$WORK/wg.txt" "$WORK/empty" -- workgroup 10.77.1.11
[ "$(cat "$WORK/wg.txt")" = OFFICE ] || lan_fail "workgroup printed '$(cat "$WORK/wg.txt")'"
run 0 "$WORK/shares.json" "$WORK/empty" -- shares NAS-Open --json
expect_text "$WORK/shares.json" '{"address":"10.77.1.10","shares":["public","Fotó","music"]}'
run 0 "$WORK/cut.json" "$WORK/empty" -- shares NAS-Cut --json
expect_text "$WORK/cut.json" "{\"address\":\"10.77.1.12\",\"shares\":[\"$long\",\"Short\"]}"
requests "$m" >"$WORK/got.txt"
cat >"$WORK/want.txt" <<'TXT'
3/6 len=28 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b''
3/3 len=28 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b''
3/3 len=28 to=10.77.1.12 id=000ea100000c netmask= gateway= payload=b''
TXT
lan_expect_same "queries received" "$WORK/want.txt" "$WORK/got.txt"

# --- show: the two queries of a click, back to back, and all they bring
m=$(mark)
run 0 "$WORK/show.json" "$WORK/empty" -- show NAS-Open --json
expect_text "$WORK/show.json" '{"name":"NAS-Open","address":"10.77.1.10","netmask":"255.255.255.0","gateway":"10.77.1.1","dhcp":false,"localAddress":"10.77.1.2","iface":0,"workGroup":"WORKGROUP","shares":["public","Fotó","music"]}'
requests "$m" | cut -d' ' -f1,3 >"$WORK/got.txt"
printf '3/6 to=10.77.1.10\n3/3 to=10.77.1.10\n' >"$WORK/want.txt"
lan_expect_same "queries of show" "$WORK/want.txt" "$WORK/got.txt"

# --- login: "admin" with no password first; a password only when refused, read from stdin
# (the separator bytes 0x55 0xAA show as U\xaa)
m=$(mark)
echo wrong >"$WORK/wrong"
run 1 "$WORK/verify1.txt" "$WORK/wrong" -- verify NAS-Locked
expect_text "$WORK/verify1.txt.err" "Wrong administrator password input!"
echo s3cret >"$WORK/right"
run 0 "$WORK/verify2.txt" "$WORK/right" -- verify NAS-Locked
run 0 "$WORK/verify3.txt" "$WORK/empty" -- verify NAS-Open
requests "$m" >"$WORK/got.txt"
cat >"$WORK/want.txt" <<'TXT'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=40 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaawrong'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=41 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaas3cret'
3/4 len=35 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b'adminU\xaa'
TXT
lan_expect_same "password checks received" "$WORK/want.txt" "$WORK/got.txt"

# --- bad input is refused before anything is sent: no search, no request
m=$(mark)
run 2 "$WORK/bad1.txt" "$WORK/empty" -- set-ip NAS-Open 10.0.0.5 255.255.255.0 10.0.1.1
expect_text "$WORK/bad1.txt.err" "You enter incorrect TCP/IP configuration. Please try again."
run 2 "$WORK/bad2.txt" "$WORK/empty" -- set-name NAS-Open nas.local
expect_text "$WORK/bad2.txt.err" "The host name can not include the following characters:"
run 2 "$WORK/bad3.txt" "$WORK/empty" -- set-workgroup NAS-Open "a b"
expect_text "$WORK/bad3.txt.err" "The work group name can not contain space."
[ "$(mark)" = "$m" ] || lan_fail "something was sent for refused input: $(tail -n +$((m + 1)) "$WORK/emulator.log")"
run 3 "$WORK/missing.txt" "$WORK/empty" -- workgroup 10.77.1.99

# --- static address: request carries netmask, gateway and the address; the adapter is then
# listed at its new address with the new settings
m=$(mark)
run 0 "$WORK/static.txt" "$WORK/empty" -- set-ip NAS-Open 10.77.1.20 255.255.0.0 10.77.1.1
expect_text "$WORK/static.txt" "Successfully modified device setting."
requests "$m" >"$WORK/got.txt"
cat >"$WORK/want.txt" <<'TXT'
3/4 len=35 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b'adminU\xaa'
5/1 len=70 to=10.77.1.10 id=000ea100000a netmask=255.255.0.0 gateway=10.77.1.1 payload=b'10.77.1.20'
TXT
lan_expect_same "static address requests" "$WORK/want.txt" "$WORK/got.txt"
listed | grep '^NAS-Open|' >"$WORK/got.txt"
echo 'NAS-Open|10.77.1.20|255.255.0.0|10.77.1.1|false|10.77.1.2|0' >"$WORK/want.txt"
lan_expect_same "NAS-Open after set-ip" "$WORK/want.txt" "$WORK/got.txt"

# --- DHCP: the 60-byte order with no fields; the adapter moves to its DHCP address
m=$(mark)
run 0 "$WORK/dhcp.txt" "$WORK/empty" -- dhcp 10.77.1.20
expect_text "$WORK/dhcp.txt" "DHCP client enabled."
requests "$m" | grep '^5/' >"$WORK/got.txt"
echo "5/2 len=60 to=10.77.1.20 id=000ea100000a netmask= gateway= payload=b''" >"$WORK/want.txt"
lan_expect_same "DHCP request" "$WORK/want.txt" "$WORK/got.txt"
listed | grep '^NAS-Open|' | cut -d'|' -f1,2,5 >"$WORK/got.txt"
echo 'NAS-Open|10.77.1.60|true' >"$WORK/want.txt"
lan_expect_same "NAS-Open after dhcp" "$WORK/want.txt" "$WORK/got.txt"

# --- rename and new work group, through the password-protected adapter
m=$(mark)
run 0 "$WORK/name.txt" "$WORK/right" -- set-name NAS-Locked NAS-1_a --json
expect_text "$WORK/name.txt" '"message":"Successfully modified device setting."'
expect_text "$WORK/name.txt" '"name":"NAS-1_a","address":"10.77.1.11"'
run 0 "$WORK/group.txt" "$WORK/right" -- set-workgroup NAS-1_a TEAM-7
run 0 "$WORK/wg2.txt" "$WORK/empty" -- workgroup NAS-1_a
[ "$(cat "$WORK/wg2.txt")" = TEAM-7 ] || lan_fail "work group after the change: '$(cat "$WORK/wg2.txt")'"
requests "$m" | grep '^5/' >"$WORK/got.txt"
cat >"$WORK/want.txt" <<'TXT'
5/5 len=67 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'NAS-1_a'
5/7 len=66 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'TEAM-7'
TXT
lan_expect_same "name requests" "$WORK/want.txt" "$WORK/got.txt"
listed | cut -d'|' -f1,2 >"$WORK/got.txt"
printf 'NAS-Open|10.77.1.60\nNAS-1_a|10.77.1.11\nNAS-Cut|10.77.1.12\n' >"$WORK/want.txt"
lan_expect_same "adapters at the end" "$WORK/want.txt" "$WORK/got.txt"

lan_pass
