#!/bin/bash
# Checks vidudi-ui-driver against vidudi-ui-fixture under Wine and Xvfb: every command of the
# driver on a window whose behaviour is known. The fixture's status line (1050) says what the
# last click, key or choice did, so each step checks that the input arrived as a user's would.
#
#   ui_driver_test.sh DIR PREFIX
#
# DIR holds vidudi-ui-driver.exe and vidudi-ui-fixture.exe (the Windows tree's
# tests/wine/ui_driver); PREFIX is the wine tier's prefix. Runs in a network namespace with no
# interfaces, with the prefix's wineserver inside it: nothing here can reach a network.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_common.sh"

[ $# -eq 2 ] || wine_fail "usage: $0 DIR PREFIX"
dir=$(cd "$1" 2>/dev/null && pwd) || wine_fail "no directory $1"
prefix=$2

if [ -z "${VIDUDI_WINE_ISOLATED:-}" ]; then
    wine_require_file "$dir/vidudi-ui-driver.exe" vidudi-ui-driver.exe
    wine_require_file "$dir/vidudi-ui-fixture.exe" vidudi-ui-fixture.exe
    if [ "$(id -u)" -ne 0 ]; then
        echo "needs root for a private network namespace (unshare --net); skipped" >&2
        exit 77
    fi
    command -v xvfb-run >/dev/null || wine_fail "xvfb-run is not installed (apt-get install xvfb)"
    exec unshare --net env VIDUDI_WINE_ISOLATED=1 "$0" "$@"
fi

if [ -z "${VIDUDI_UI_DRIVER_DISPLAY:-}" ]; then
    # First pass: hold the prefix and run its server here, then the checks on a display.
    wine_use_prefix "$prefix"
    wine_lock_prefix
    trap wine_server_stop EXIT
    wine_prepare_prefix
    wine_server_start
    timeout -k 5 "$WINE_PROGRAM_TIMEOUT" xvfb-run -a env VIDUDI_UI_DRIVER_DISPLAY=1 "$0" "$@"
    exit $?
fi

display=$DISPLAY
wine_use_prefix "$prefix"
export DISPLAY=$display
cd "$dir" || wine_fail "cannot enter $dir"

failures=0
out=
status=
errors=$(mktemp) || wine_fail "no temporary file"
trap 'rm -f "$errors"' EXIT

drv() {
    out=$(timeout -k 5 60 wine vidudi-ui-driver.exe "$@" 2>"$errors")
    status=$?
}

# check WHAT STATUS EXPECTED -- DRIVER ARGS...: the driver's exit status and its whole output.
check() {
    local what=$1 want_status=$2 want_out=$3
    shift 4
    drv "$@"
    if [ "$status" -ne "$want_status" ] || [ "$out" != "$want_out" ]; then
        echo "FAIL: $what: driver $* gave status $status, output:" >&2
        printf '%s\n' "$out" | sed 's/^/    /' >&2
        sed 's/^/    stderr: /' "$errors" >&2
        echo "  expected status $want_status, output:" >&2
        printf '%s\n' "$want_out" | sed 's/^/    /' >&2
        failures=$((failures + 1))
    fi
}

# status_is TEXT: the fixture's status line says TEXT.
status_is() {
    local line
    line=$(printf 'visible=1 enabled=1 12 210 300 15 text=%s' "$1")
    check "status line" 0 "$line" -- control 1050
}

start_fixture() {
    wine vidudi-ui-fixture.exe "$@" &
    fixture=$!
}

# --- the window and its controls

# The window is held back for 1.5 s before it is shown, as the program's first search holds it.
start_fixture slow-start
drv wait-window
[[ $status -eq 0 && $out =~ ^[0-9]+\ 0\ 0\ [0-9]+\ [0-9]+$ ]] ||
    { echo "FAIL: wait-window gave status $status: $out" >&2; failures=$((failures + 1)); }
main_window=$out
read -r windows_pid _ <<<"$out"

check "hidden control" 0 "visible=0 enabled=1 330 120 90 21 text=Find Device" -- control 1021
check "disabled control" 0 "visible=1 enabled=0 330 39 90 21 text=Mount" -- control 1003
check "missing control" 1 "" -- control 4711
drv controls
[ "$status" -eq 0 ] && [ "$(printf '%s\n' "$out" | wc -l)" -eq 12 ] ||
    { echo "FAIL: controls gave status $status: $out" >&2; failures=$((failures + 1)); }
check "window of this process" 0 "$out" -- --pid "$windows_pid" controls
check "window of another process" 1 "" -- --pid 99999 --timeout 0.5 control 1050

# --- the list view: every row, and a click on a row below the visible part

rows=$(for row in $(seq 0 11); do
    gateway=10.77.1.1
    [ "$row" -eq 1 ] && gateway=
    printf 'NAS-%02d\t10.77.1.%d\t255.255.255.0\t%s\n' "$row" $((10 + row)) "$gateway"
done)
check "rows" 0 "$rows" -- list-rows 1000
check "no row selected" 0 "" -- list-rows 1000 --selected
check "click a row below the visible part" 0 "" -- click-row 1000 11
status_is "click row 11"
check "that row selected" 0 "11" -- list-rows 1000 --selected
check "no such row" 1 "" -- click-row 1000 12

# --- combo box, edit, IP-address control, keys

check "combo items" 0 $'Disable\nEnable' -- items 1015
check "combo choice" 0 "" -- select 1015 1
status_is "combo 1"
check "combo selection" 0 "1" -- items 1015 --selected
check "type" 0 "" -- type 1016 "hello world"
check "typed text" 0 "visible=1 enabled=1 150 144 120 18 text=hello world" -- control 1016
check "return in the edit" 0 "" -- key 1016 13
status_is "return"
check "blank fields" 0 "" -- ip 1010 10..1.
check "blank fields text" 0 "visible=1 enabled=1 180 174 150 18 text=10..1." -- control 1010
check "bad address" 2 "" -- ip 1010 300.1.1.1

# --- clicks: refused on a disabled button; the command returns when the window has handled
# the click, within the time limit

check "disabled button" 1 "" -- click 1003
check "slow button" 0 "" -- click 1004
status_is "slow done"
check "busy beyond the limit" 1 "" -- --timeout 0.5 click 1004

# --- message boxes

check "no message box" 0 "" -- no-messagebox
check "button that asks" 0 "" -- click 1007
check "window behind the box" 1 "" -- click 1002
check "message box" 0 $'caption=Warning\ntext=Line one\\nLine two' -- messagebox
check "answer Cancel" 0 "" -- answer-messagebox 2
status_is "box 2"
check "nothing to answer" 1 "" -- --timeout 0.5 answer-messagebox

# --- other dialogs: the about box has the main window's caption

check "about entry" 0 "" -- syscommand 16
drv dialog "Norvane Vidudi"
[[ $status -eq 0 && $out =~ ^[0-9-]+\ [0-9-]+\ [0-9]+\ [0-9]+$ ]] ||
    { echo "FAIL: dialog gave status $status: $out" >&2; failures=$((failures + 1)); }
check "main window, not the about box" 0 "$main_window" -- wait-window
check "the about box is no message box" 0 "" -- no-messagebox
check "about box controls" 0 "visible=1 enabled=1 175 53 88 25 text=OK" -- --dialog "Norvane Vidudi" control 1
check "close the about box" 0 "" -- close-dialog "Norvane Vidudi"
status_is "about closed"

check "login button" 0 "" -- click 1008
drv dialog Login
[ "$status" -eq 0 ] || { echo "FAIL: no Login dialog" >&2; failures=$((failures + 1)); }
check "type in the login box" 0 "" -- --dialog Login type 1060 secret
check "OK in the login box" 0 "" -- --dialog Login click 1
status_is "login 1 secret"
check "no such dialog" 1 "" -- --timeout 0.5 dialog Nothing

# --- usage

check "unknown command" 2 "" -- frobnicate

# --- the window goes

check "still there" 1 "" -- --timeout 0.5 wait-gone
check "Escape" 0 "" -- key 0 27
check "gone" 0 "" -- wait-gone
check "no window" 1 "" -- --timeout 0.5 wait-window
wait "$fixture"

start_fixture
check "second start" 0 "" -- --timeout 20 no-messagebox
check "close from the system menu" 0 "" -- syscommand 0xF060
check "gone again" 0 "" -- wait-gone
wait "$fixture"
# The desktop process would otherwise outlive the display and complain about it.
wineserver -k >/dev/null 2>&1

if [ "$failures" -ne 0 ]; then
    echo "FAIL: $failures check(s) of vidudi-ui-driver failed" >&2
    exit 1
fi
echo "vidudi-ui-driver: all checks passed"
