#!/bin/bash
# vidudi apply against 20 emulated adapters with an administrator password: a file with bad rows
# changes nothing (no setting request reaches an adapter) and names each bad row; --dry-run
# prints the plan and sends no setting; the file of 20 rows with an address range is applied
# (the password read once) and the adapters are listed at their new addresses; a second run of
# the same file skips every row.
#   apply_test.sh VIDUDI NAS_EMULATOR [WINEPREFIX]  (with a prefix: vidudi-cli.exe under Wine)
source "$(dirname "$0")/lan_lib.sh"
lan_init_program "$@"
devices=()
for n in $(seq 1 20); do
    nn=$(printf %02d "$n")
    devices+=("name=NAS-$nn;address=10.77.1.$((100 + n));identity=00:0e:a1:00:01:$nn;gateway=10.77.1.1;admin-password=s3cret")
done
lan_ini "$WORK/s1.ini" "${devices[@]}" "name=NAS-Other;address=10.77.1.50;identity=00:0e:a1:00:02:00"
lan_lan 1
# run STATUS INPUT ARGS...: in the client namespace; output in $WORK/out and $WORK/out.err
run() {
    local expected=$1 input=$2 status=0; shift 2
    "${RUN[@]}" "$@" <"$input" >"$WORK/out" 2>"$WORK/out.err" || status=$?
    sed -i 's/\r$//' "$WORK/out" "$WORK/out.err"
    [ "$status" = "$expected" ] || lan_fail "vidudi $* ended with $status, expected $expected: $(cat "$WORK/out" "$WORK/out.err")"
}
settings_since() { python3 "$LAN_TESTS_DIR/request_log.py" "$WORK/s1.log" "$1" | grep -c '^5/' || true; }
echo s3cret >"$WORK/password"
: >"$WORK/empty"
# The Windows program reads the file through Wine's Z: drive, which maps /.
file() { [ -n "$LAN_WINE_PREFIX" ] && echo "Z:${1//\//\\}" || echo "$1"; }

{
    echo 'device,address,netmask,gateway,name'
    echo 'NAS-01,10.77.1.20+,255.255.255.0,10.77.1.1,'
    echo 'NAS-99,10.77.1.20+,255.255.255.0,10.77.1.1,'
    echo 'NAS-02,10.77.1.20+,255.0.255.0,10.77.1.1,'
    echo '000ea1000101,,,,NAS-X'
    echo 'NAS-03,10.77.1.50,255.255.255.0,10.77.1.1,'
    echo 'NAS-04,,,,"bad name"'
} >"$WORK/bad.csv"
m=$(wc -l <"$WORK/s1.log")
run 2 "$WORK/empty" apply "$(file "$WORK/bad.csv")"
grep -v '^vidudi' "$WORK/out.err" | sed 's/^.*bad\.csv:/bad.csv:/' >"$WORK/got.txt"
lan_expect_same "apply of a file with bad rows" - "$WORK/got.txt" <<'TXT'
bad.csv:3: device: no adapter answered with the address, identity or name 'NAS-99'
bad.csv:4: netmask: Netmask address input invalid. Please try again.
bad.csv:5: device: NAS-01 (10.77.1.101) is named by line 2 already
bad.csv:6: address: 10.77.1.50 is the address of NAS-Other (10.77.1.50)
bad.csv:7: name: The host name can not contain space.
TXT
grep -q 'nothing was changed: 5 bad rows' "$WORK/out.err" || lan_fail "apply's last line: $(cat "$WORK/out.err")"
[ "$(settings_since "$m")" = 0 ] || lan_fail "a setting request was sent for a file with bad rows"

{
    echo 'device,address,netmask,gateway'
    for n in $(seq 1 20); do printf 'NAS-%02d,10.77.1.20+,255.255.255.0,10.77.1.1\n' "$n"; done
} >"$WORK/good.csv"
m=$(wc -l <"$WORK/s1.log")
run 0 "$WORK/empty" apply "$(file "$WORK/good.csv")" --dry-run
[ "$(grep -c ': change (address 10.77.1.[23][0-9] netmask 255.255.255.0 gateway 10.77.1.1)$' "$WORK/out")" = 20 ] &&
    grep -qx 'line 21: NAS-20 (10.77.1.120): change (address 10.77.1.39 netmask 255.255.255.0 gateway 10.77.1.1)' "$WORK/out" &&
    grep -qx '20 rows checked; no change was sent.' "$WORK/out" || lan_fail "the plan: $(cat "$WORK/out")"
[ "$(settings_since "$m")" = 0 ] || lan_fail "--dry-run sent a setting request"

run 0 "$WORK/password" apply "$(file "$WORK/good.csv")"
[ "$(grep -c '^line [0-9]*: NAS-[0-9]* (10.77.1.1[0-2][0-9]): done (address ' "$WORK/out")" = 20 ] &&
    grep -qx '20 rows: 20 done, 0 skipped, 0 refused, 0 no answer' "$WORK/out" || lan_fail "apply: $(cat "$WORK/out")"
[ "$(grep -c 'Administrator password' "$WORK/out.err")" -le 1 ] || lan_fail "the password was asked more than once"
run 0 "$WORK/empty" list --json
lan_check devices "$WORK/out" | cut -d'|' -f1,2 | LC_ALL=C sort >"$WORK/got.txt"
{ for n in $(seq 1 20); do printf 'NAS-%02d|10.77.1.%d\n' "$n" $((19 + n)); done; echo 'NAS-Other|10.77.1.50'; } |
    LC_ALL=C sort >"$WORK/want.txt"
lan_expect_same "adapters after apply" "$WORK/want.txt" "$WORK/got.txt"

m=$(wc -l <"$WORK/s1.log")
run 0 "$WORK/empty" apply "$(file "$WORK/good.csv")" --json
python3 - "$WORK/out" <<'PY' || lan_fail "the second run: $(cat "$WORK/out")"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
assert [l["result"] for l in lines[:-1]] == ["skipped"] * 20, lines
assert lines[-1] == {"summary": {"rows": 20, "done": 0, "skipped": 20, "refused": 0, "noAnswer": 0}}, lines[-1]
PY
[ "$(settings_since "$m")" = 0 ] || lan_fail "the second run sent a setting request"
lan_pass
