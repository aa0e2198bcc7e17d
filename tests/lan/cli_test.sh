#!/bin/bash
# The command line as a user meets it: --version, the password from VIDUDI_PASSWORD (never
# shown), text from the adapters with control characters made visible, the password prompt
# ended by a signal, and the --verbose trace of every datagram read.
#   cli_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
#   VIDUDI_EXPECTED_VERSION: the project's version, as --version must print it
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
esc=$'\e' cr=$'\r' del=$'\x7f'
lan_ini "$WORK/s1.ini" \
    "name=NAS-Open;address=10.77.1.10;identity=00:0e:a1:00:00:0a;gateway=10.77.1.1;shares=public" \
    "name=NAS-Locked;address=10.77.1.11;identity=00:0e:a1:00:00:0b;admin-password=s3cret;workgroup=OFFICE" \
    "name=Evil${esc}[2J${cr}X;address=10.77.1.12;shares=a${esc}[31m:b${cr}c;workgroup=W${del}G" \
    "name=NAS-Foreign;address=10.77.1.13;foreign-tag=yes" \
    "name=Printer;address=10.77.1.14;reply-form=7;type-codes=6 7" \
    "name=NAS-Chatty;address=10.77.1.15;flood-other-ops=1" \
    "name=Stor\"age, 2;address=10.77.1.16;gateway=10.77.1.1;dhcp=yes"
lan_lan 1
program=vidudi${LAN_WINE_PREFIX:+-cli}
# run STATUS ARGS...: the program in the client namespace, stdin empty, expecting STATUS
run() {
    local expected=$1 status=0; shift
    "${RUN[@]}" "$@" </dev/null >"$WORK/out.raw" 2>"$WORK/out.err" || status=$?
    sed 's/\r$//' "$WORK/out.raw" >"$WORK/out"
    sed -i 's/\r$//' "$WORK/out.err"
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
3/4 len=40 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa*****'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
3/4 len=41 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa******'
3/4 len=35 to=10.77.1.11 id=000ea100000b netmask= gateway= payload=b'adminU\xaa'
TXT

# Text from the adapters: control characters and DEL shown as \xHH, JSON as it was.
run 0 list
grep -qF 'Evil\x1B[2J\x0DX  10.77.1.12' "$WORK/out" || lan_fail "list: $(cat -A "$WORK/out")"
run 0 show 10.77.1.12
grep -qF 'Name:          Evil\x1B[2J\x0DX' "$WORK/out" && grep -qF 'Work group:    W\x7FG' "$WORK/out" &&
    grep -qF '  a\x1B[31m' "$WORK/out" && grep -qF '  b\x0Dc' "$WORK/out" || lan_fail "show: $(cat -A "$WORK/out")"
run 0 shares 10.77.1.12
[ "$(cat "$WORK/out")" = 'a\x1B[31m'$'\n''b\x0Dc' ] || lan_fail "shares: $(cat -A "$WORK/out")"
LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$WORK/out" && lan_fail "a control character reached the terminal"
run 0 shares 10.77.1.12 --json
grep -qF '{"address":"10.77.1.12","shares":["a\u001b[31m","b\rc"]}' "$WORK/out" || lan_fail "shares --json: $(cat "$WORK/out")"

# list --csv: RFC 4180 as Python's csv module reads it, names with a CR, a comma and a quote.
run 0 list --csv
python3 - "$WORK/out.raw" >"$WORK/got.txt" <<'PY' || lan_fail "list --csv is not RFC 4180"
import csv, io, sys
data = open(sys.argv[1], "rb").read()
assert data.endswith(b"\r\n") and data.count(b"\r\n") == 6, data  # the header and 5 records
rows = list(csv.reader(io.StringIO(data.decode("utf-8"), newline="")))
for row in rows:
    print("|".join(row).replace("\r", "<CR>").replace("\x1b", "<ESC>"))
PY
lan_expect_same "list --csv" - "$WORK/got.txt" <<'TXT'
name|address|netmask|gateway|dhcp|local_address
NAS-Open|10.77.1.10|255.255.255.0|10.77.1.1|no|10.77.1.2
NAS-Locked|10.77.1.11|255.255.255.0||no|10.77.1.2
Evil<ESC>[2J<CR>X|10.77.1.12|255.255.255.0||no|10.77.1.2
NAS-Chatty|10.77.1.15|255.255.255.0||no|10.77.1.2
Stor"age, 2|10.77.1.16|255.255.255.0|10.77.1.1|yes|10.77.1.2
TXT

# --verbose: every datagram the search read, one line each, with what was done with it.
m=$(wc -l <"$WORK/s1.log")
run 0 --verbose list
sent=$(tail -n +"$((m + 1))" "$WORK/s1.log" | grep -c ' send ')
[ "$(grep -c '^read on 10.77.1.2: ' "$WORK/out.err")" = "$sent" ] ||
    lan_fail "the emulator sent $sent datagrams, the trace shows: $(cat "$WORK/out.err")"
sed -n 's/^read on 10.77.1.2: op \([0-9]*\) from \([0-9.]*\), [0-9]* bytes: /\1 \2 /p' "$WORK/out.err" | LC_ALL=C sort | uniq -c |
    sed 's/^ *//' >"$WORK/trace.txt"
lan_expect_same "the trace of list" - "$WORK/trace.txt" <<'TXT'
1 2 10.77.1.10 accepted
1 2 10.77.1.10 skipped (that device has answered already)
1 2 10.77.1.11 accepted
1 2 10.77.1.11 skipped (that device has answered already)
1 2 10.77.1.12 accepted
1 2 10.77.1.12 skipped (that device has answered already)
2 2 10.77.1.13 skipped (another instance's tag)
1 2 10.77.1.15 accepted
1 2 10.77.1.15 skipped (that device has answered already)
1 2 10.77.1.16 accepted
1 2 10.77.1.16 skipped (that device has answered already)
2 7 10.77.1.14 skipped (type codes 6 7: not a storage adapter)
2 8 10.77.1.15 skipped (not the kind of reply awaited)
TXT
run 0 --verbose workgroup 10.77.1.12
grep -q '^read on 10.77.1.2: op 4 from 10.77.1.12, [0-9]* bytes: accepted$' "$WORK/out.err" &&
    grep -qxF 'workgroup=W\x7FG' "$WORK/out.err" || lan_fail "the trace of workgroup: $(cat -A "$WORK/out.err")"

# Ended at the password prompt, the terminal gets its echo back (natively: Wine has no pty).
if [ -z "$LAN_WINE_PREFIX" ]; then
    for how in ctrl-c:130 term:143 hup:129; do
        vlan_client_exec python3 "$LAN_TESTS_DIR/pty_prompt.py" "${how%:*}" "$VIDUDI" verify NAS-Locked \
            >"$WORK/pty.txt" 2>&1 || lan_fail "pty_prompt.py: $(cat "$WORK/pty.txt")"
        [ "$(cat "$WORK/pty.txt")" = "status=${how#*:} echo=on" ] || lan_fail "${how%:*} at the prompt: $(cat "$WORK/pty.txt")"
    done
fi
lan_pass
