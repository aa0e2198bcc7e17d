#!/bin/bash
# Every command against emulated adapters: request bytes as received (emulator log), output,
# exit status, and what a later search shows.
#   commands_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
long=$(printf 'L%.0s' $(seq 1 131))  # two share names differing only past the 131 bytes kept
lan_ini "$WORK/s1.ini" \
    "name=NAS-Open;address=10.77.1.10;identity=00:0e:a1:00:00:0a;gateway=10.77.1.1;dhcp-address=10.77.1.60;shares=public:Fotó:music;workgroup=WORKGROUP" \
    "name=NAS-Locked;address=10.77.1.11;identity=00:0e:a1:00:00:0b;gateway=10.77.1.1;admin-password=s3cret;workgroup=OFFICE" \
    "name=NAS-Cut;address=10.77.1.12;identity=00:0e:a1:00:00:0c;shares=${long}A1:${long}B2:Short"
lan_lan 1
# run STATUS INPUT ARGS...: vidudi in the client namespace expecting STATUS; output in $WORK/out(.err)
run() {
    local expected=$1 input=$2 status=0; shift 2
    "${RUN[@]}" "$@" <"$input" >"$WORK/out" 2>"$WORK/out.err" || status=$?
    sed -i 's/\r$//' "$WORK/out" "$WORK/out.err"
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected"
}
mark() { wc -l <"$WORK/s1.log"; }
expect() { grep -qF -- "$2" "$WORK/$1" || lan_fail "$1 lacks '$2': $(cat "$WORK/$1")"; }  # expect out|out.err TEXT
requests() {  # requests FROM [FILTER]: what was received since FROM, against stdin
    python3 "$LAN_TESTS_DIR/request_log.py" "$WORK/s1.log" "$1" | grep "^${2:-}" >"$WORK/got.txt"
    lan_expect_same "requests" - "$WORK/got.txt"
}
listed() {  # listed FIELDS: the devices of a new search
    run 0 /dev/null list --json
    lan_check devices "$WORK/out" | cut -d'|' -f"$1" >"$WORK/got.txt"
    lan_expect_same "devices listed" - "$WORK/got.txt"
}
: >"$WORK/empty"; echo wrong >"$WORK/wrong"; echo s3cret >"$WORK/right"
program=vidudi${LAN_WINE_PREFIX:+-cli}
run 2 "$WORK/empty" set-name 10.77.1.10
expect out.err "$program set-name: expected 2 arguments, got 1"

m=$(mark)
run 0 "$WORK/empty" workgroup 10.77.1.11
[ "$(cat "$WORK/out")" = OFFICE ] || lan_fail "workgroup printed '$(cat "$WORK/out")'"
run 0 "$WORK/empty" shares NAS-Open --json
expect out '{"address":"10.77.1.10","shares":["public","Fotó","music"]}'
run 0 "$WORK/empty" shares NAS-Cut --json
expect out "{\"address\":\"10.77.1.12\",\"shares\":[\"$long\",\"Short\"]}"
requests "$m" <<'TXT'
3/6 len=28 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b''
3/3 len=28 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b''
3/3 len=28 to=10.77.1.12 id=000ea100000c netmask= gateway= payload=b''
TXT

m=$(mark)
run 0 "$WORK/empty" show NAS-Open --json
expect out '{"name":"NAS-Open","address":"10.77.1.10","netmask":"255.255.255.0","gateway":"10.77.1.1","dhcp":false,"localAddress":"10.77.1.2","iface":0,"workGroup":"WORKGROUP","shares":["public","Fotó","music"]}'
requests "$m" <<'TXT'
3/6 len=28 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b''
3/3 len=28 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b''
TXT

# Login: "admin" without a password first, the password (read once) only when refused; the
# log shows each password byte as '*'.
m=$(mark)
run 1 "$WORK/wrong" verify NAS-Locked
expect out.err "Wrong administrator password input!"
run 0 "$WORK/right" verify NAS-Locked
run 0 "$WORK/empty" verify NAS-Open
requests "$m" <<'TXT'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=40 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa*****'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=41 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa******'
3/4 len=35 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b'adminU\xaa'
TXT
# The log keeps the user name and the length of a password check, never the password.
hex() { printf %s "$1" | od -An -tx1 | tr -d ' \n'; }
! grep -q -e "$(hex s3cret)" -e "$(hex wrong)" "$WORK/s1.log" || lan_fail "the emulator logged a password"

# Bad input is refused (status 2) before anything is sent; an unknown adapter is status 3.
m=$(mark)
while IFS='|' read -r message args; do
    eval "run 2 \"\$WORK/empty\" $args"
    expect out.err "$message"
done <<'TXT'
You enter incorrect TCP/IP configuration. Please try again.|set-ip NAS-Open 10.0.0.5 255.255.255.0 10.0.1.1
The host name can not include the following characters:|set-name NAS-Open nas.local
The work group name can not contain space.|set-workgroup NAS-Open "a b"
TXT
[ "$(mark)" = "$m" ] || lan_fail "something was sent for refused input"
run 3 "$WORK/empty" workgroup 10.77.1.99

m=$(mark)
run 0 "$WORK/empty" set-ip NAS-Open 10.77.1.20 255.255.0.0 10.77.1.1
expect out "Successfully modified device setting."
requests "$m" <<'TXT'
3/4 len=35 to=10.77.1.10 id=000ea100000a netmask= gateway= payload=b'adminU\xaa'
5/1 len=70 to=10.77.1.10 id=000ea100000a netmask=255.255.0.0 gateway=10.77.1.1 payload=b'10.77.1.20'
TXT
listed 1-7 <<'TXT'
NAS-Open|10.77.1.20|255.255.0.0|10.77.1.1|false|10.77.1.2|0
NAS-Locked|10.77.1.11|255.255.255.0|10.77.1.1|false|10.77.1.2|0
NAS-Cut|10.77.1.12|255.255.255.0||false|10.77.1.2|0
TXT

m=$(mark)
run 0 "$WORK/empty" dhcp 10.77.1.20
expect out "DHCP client enabled."
run 0 "$WORK/right" set-name NAS-Locked NAS-1_a --json
expect out '"message":"Successfully modified device setting."'
expect out '"name":"NAS-1_a","address":"10.77.1.11"'
run 0 "$WORK/right" set-workgroup NAS-1_a TEAM-7
run 0 "$WORK/empty" workgroup NAS-1_a
[ "$(cat "$WORK/out")" = TEAM-7 ] || lan_fail "work group after the change: '$(cat "$WORK/out")'"
requests "$m" 5/ <<'TXT'
5/2 len=60 to=10.77.1.20 id=000ea100000a netmask= gateway= payload=b''
5/5 len=67 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'NAS-1_a'
5/7 len=66 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'TEAM-7'
TXT
listed 1,2,5 <<'TXT'
NAS-Open|10.77.1.60|true
NAS-1_a|10.77.1.11|false
NAS-Cut|10.77.1.12|false
TXT
lan_pass
