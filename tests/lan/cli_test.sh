#!/bin/bash
# The command line as a user meets it: --version, the password from VIDUDI_PASSWORD (never
# shown), text from the adapters with control characters made visible, the password prompt
# ended by a signal, and the --verbose trace of every datagram read.
#   cli_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
#   VIDUDI_EXPECTED_VERSION: the project's version, as --version must print it
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
lan_ini "$WORK/s1.ini" \
    "name=NAS-Open;address=10.77.1.10;identity=00:0e:a1:00:00:0a;gateway=10.77.1.1;shares=public" \
    "name=NAS-Locked;address=10.77.1.11;identity=00:0e:a1:00:00:0b;admin-password=s3cret;workgroup=OFFICE"
lan_lan 1
program=vidudi${LAN_WINE_PREFIX:+-cli}
# run STATUS ARGS...: the program in the client namespace, stdin empty, expecting STATUS
run() {
    local expected=$1 status=0; shift
    "${RUN[@]}" "$@" </dev/null >"$WORK/out" 2>"$WORK/out.err" || status=$?
    sed -i 's/\r$//' "$WORK/out" "$WORK/out.err"
    [ "$status" = "$expected" ] || lan_fail "$program $* ended with $status, expected $expected: $(cat "$WORK/out.err")"
}
requests() {  # the queries and settings received since line FROM, against stdin
    python3 "$LAN_TESTS_DIR/request_log.py" "$WORK/s1.log" "$1" >"$WORK/got.txt"
    lan_expect_same "requests" - "$WORK/got.txt"
}

run 0 --version
[ "$(cat "$WORK/out")" = "$program ${VIDUDI_EXPECTED_VERSION:?}" ] || lan_fail "--version printed '$(cat "$WORK/out")'"
run 0 --help
grep -q VIDUDI_PASSWORD "$WORK/out" && grep -q "command line is not accepted" "$WORK/out" ||
    lan_fail "--help does not tell about VIDUDI_PASSWORD"

# The environment's password goes to the second attempt, and is shown nowhere; a wrong one
# is refused like a typed one.
m=$(wc -l <"$WORK/s1.log")
VIDUDI_PASSWORD=wrong run 1 verify NAS-Locked
VIDUDI_PASSWORD=s3cret run 0 --verbose verify NAS-Locked
! grep -q s3cret "$WORK/out" "$WORK/out.err" || lan_fail "the password was printed"
VIDUDI_PASSWORD=s3cret-but-far-too-long run 2 verify NAS-Locked
requests "$m" <<'TXT'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=40 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaawrong'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=41 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaas3cret'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
TXT
lan_pass
