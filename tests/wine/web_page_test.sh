#!/bin/bash
# The web page command line through the real registry and WinExec under Wine (the rules
# themselves are checked with fakes in tests/unit/web_page_test.cpp): the default browser's keys
# are set in the test prefix with `wine reg add`, a stand-in browser records the command line it
# was started with, and a copy of it named explorer.exe next to the probe program (where WinExec
# looks first) records the explorer fallback. The probe prints every WinExec call with the
# system's answer.
#
#   web_page_test.sh PREFIX PROBE_EXE RECORDER_EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"

[ $# -eq 3 ] || wine_fail "usage: $0 PREFIX PROBE_EXE RECORDER_EXE"
prefix=$1
probe=$2
recorder=$3
wine_require_file "$probe" "$(basename "$probe")"
wine_require_file "$recorder" "$(basename "$recorder")"

if [ -z "${VIDUDI_WINE_ISOLATED:-}" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "needs root for a private network namespace (unshare --net); skipped" >&2
        exit 77
    fi
    exec unshare --net env VIDUDI_WINE_ISOLATED=1 "$0" "$@"
fi

clients='HKLM\Software\Clients\StartMenuInternet'
limits='HKLM\Software\Vidudi Registry Test'
work=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-webpage.XXXXXX") || wine_fail "no temporary folder"

cleanup() {
    wine reg delete "$clients" /f >/dev/null 2>&1
    wine reg delete "$limits" /f >/dev/null 2>&1
    wine_server_stop
    rm -rf -- "$work"
}

wine_use_prefix "$prefix"
wine_lock_prefix
trap cleanup EXIT
wine_prepare_prefix
wine_server_start

# The probe with its explorer stand-in; the browser in a folder whose path has blanks.
app=$work/app
browser_dir="$work/Program Files/Test Browser"
mkdir -p "$app" "$browser_dir"
cp "$probe" "$app/web_page_probe.exe"
cp "$recorder" "$app/explorer.exe"
cp "$recorder" "$browser_dir/browser.exe"
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
browser_exe=$(windows_path "$browser_dir/browser.exe")
cd "$app" || wine_fail "cannot enter $app"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
reg_set() {  # reg_set KEY DATA: the key's default value
    wine reg add "$1" /ve /d "$2" /f >/dev/null 2>&1 || wine_fail "cannot set $1"
}
reset() {
    wine reg delete "$clients" /f >/dev/null 2>&1
    rm -f "$app/launched.txt" "$browser_dir/launched.txt"
}
open_page() {  # open_page ADDRESS: the probe's WinExec trace in $work/trace
    timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine web_page_probe.exe "$1" 2>/dev/null | tr -d '\r' >"$work/trace"
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "the probe failed for '$1'"
}
# expect_trace CASE LINE...: the WinExec calls, with "OK" standing for any answer above 31
expect_trace() {
    local name=$1 want got
    shift
    want=$(printf '%s\n' "$@")
    got=$(sed -E 's/-> (3[2-9]|[4-9][0-9]|[0-9]{3,})$/-> OK/' "$work/trace")
    [ "$got" = "$want" ] || fail "$name: WinExec calls were:"$'\n'"$(cat "$work/trace")"$'\n'"expected:"$'\n'"$want"
}
# expect_launched CASE FILE LINE: the stand-in there recorded exactly this command line
expect_launched() {
    local tries
    for tries in $(seq 100); do [ -s "$2" ] && break; sleep 0.1; done
    local got
    got=$(tr -d '\r' <"$2" 2>/dev/null)
    [ "$got" = "$3" ] || fail "$1: $(basename "$(dirname "$2")") recorded '$got', expected '$3'"
}

# --- a browser whose start command has a quoted path with blanks and arguments of its own
reset
reg_set "$clients" "Test Browser"
reg_set "$clients\\Test Browser\\shell\\open\\command" "\"$browser_exe\" --new-window"
open_page 10.77.1.10
expect_trace "quoted start command" "WinExec \"\"$browser_exe\" --new-window http://10.77.1.10\" 0 -> OK"
expect_launched "quoted start command" "$browser_dir/launched.txt" "\"$browser_exe\" --new-window http://10.77.1.10"
echo "ok: quoted start command used unchanged"

# --- a start command naming a program that is not there: explorer instead
reset
reg_set "$clients" "Gone"
reg_set "$clients\\Gone\\shell\\open\\command" '"C:\Program Files\Gone Browser\gone.exe" -url'
open_page 10.77.1.10
code=$(sed -n '1s/.*-> //p' "$work/trace")
case "$code" in
    2 | 3) ;;
    *) fail "missing program: WinExec answered '$code', expected 2 or 3" ;;
esac
expect_trace "missing program" "WinExec \"\"C:\\Program Files\\Gone Browser\\gone.exe\" -url http://10.77.1.10\" 0 -> $code" \
    "WinExec \"explorer http://10.77.1.10\" 0 -> OK"
expect_launched "missing program" "$app/launched.txt" "explorer http://10.77.1.10"
echo "ok: missing program falls back to explorer (WinExec answered $code)"

# --- the registry service's limit: 119 characters fit its 120-byte buffer, 120 do not; a value
# that is not text reads as empty
long119=$(printf 'x%.0s' $(seq 119))
wine reg add "$limits" /v fits /d "$long119" /f >/dev/null 2>&1 &&
    wine reg add "$limits" /v toolong /d "${long119}y" /f >/dev/null 2>&1 &&
    wine reg add "$limits" /v number /t REG_DWORD /d 7 /f >/dev/null 2>&1 || wine_fail "cannot set $limits"
for expectation in "fits|[$long119]" "toolong|[]" "number|[]"; do
    value=${expectation%%|*}
    want=${expectation#*|}
    got=$(timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine web_page_probe.exe --read "${limits#HKLM\\}" "$value" 2>/dev/null |
        tr -d '\r')
    [ "$got" = "$want" ] || fail "registry value '$value' read as '$got', expected '$want'"
done
echo "ok: registry limit"

[ "$failures" -eq 0 ] || exit 1
echo "PASS: web page command lines under Wine"
