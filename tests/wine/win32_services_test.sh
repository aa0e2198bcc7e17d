#!/bin/bash
# The system services through the real Windows calls under Wine, in a network namespace of its
# own: the version name Wine's Windows 10 gives a program without a compatibility manifest, the
# ANSI code page and the drive types; and the web page started with the default browser's
# command line from the real registry through WinExec (a stand-in browser records it).
#
#   win32_services_test.sh PREFIX VERSION_PROBE WEB_PAGE_PROBE RECORDER
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"

[ $# -eq 4 ] || wine_fail "usage: $0 PREFIX VERSION_PROBE WEB_PAGE_PROBE RECORDER"
for file in "$2" "$3" "$4"; do wine_require_file "$file" "$(basename "$file")"; done
wine_isolate "$0" "$@"

version_key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$2")"
clients='HKLM\Software\Clients\StartMenuInternet'
work=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-services.XXXXXX") || wine_fail "no temporary folder"
cleanup() {
    wine reg delete "$version_key" /f >/dev/null 2>&1
    wine reg delete "$clients" /f >/dev/null 2>&1
    wine_server_stop
    rm -rf -- "$work"
}
wine_use_prefix "$1"
wine_lock_prefix
trap cleanup EXIT
wine_prepare_prefix
wine_server_start
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
run() { timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$@" 2>/dev/null | tr -d '\r'; }

# --- version name, code page (letters it lacks become '?', a long name is cut to 131), drives
wine reg add "$version_key" /v Version /d win10 /f >/dev/null 2>&1 || wine_fail "cannot set the Windows version"
(cd "$(dirname "$2")" && LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 run "$(basename "$2")") >"$work/version.txt"
for want in "Vista" "ansi: 46 6f 74 f3 20 3f f3 64 3f, long 131" "drives: C: 3, Z: 3, Q: 1"; do
    grep -qxF "$want" "$work/version.txt" || fail "expected \"$want\" in: $(cat "$work/version.txt")"
done

# --- the browser's start command, a quoted path with blanks and arguments of its own, unchanged
browser_dir="$work/Program Files/Test Browser"
mkdir -p "$browser_dir" && cp "$4" "$browser_dir/browser.exe" && cp "$3" "$work/web_page_probe.exe" ||
    wine_fail "cannot set up the browser"
browser_exe=$(printf 'Z:%s' "$browser_dir/browser.exe" | tr / '\\')
wine reg add "$clients" /ve /d "Test Browser" /f >/dev/null 2>&1 &&
    wine reg add "$clients\\Test Browser\\shell\\open\\command" /ve /d "\"$browser_exe\" --new-window" /f >/dev/null 2>&1 ||
    wine_fail "cannot register the browser"
trace=$(cd "$work" && run web_page_probe.exe 10.77.1.10 | sed -E 's/-> (3[2-9]|[4-9][0-9]|[0-9]{3,})$/-> OK/')
[ "$trace" = "WinExec \"\"$browser_exe\" --new-window http://10.77.1.10\" 0 -> OK" ] || fail "WinExec calls: $trace"
for _ in $(seq 100); do [ -s "$browser_dir/launched.txt" ] && break; sleep 0.1; done
launched=$(tr -d '\r' <"$browser_dir/launched.txt" 2>/dev/null)
[ "$launched" = "\"$browser_exe\" --new-window http://10.77.1.10" ] || fail "the browser recorded '$launched'"

[ "$failures" -eq 0 ] || exit 1
echo "PASS: version name, code page, drive types and web page under Wine"
