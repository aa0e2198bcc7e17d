#!/bin/bash
# Vidudi.exe under Wine on a virtual LAN of four segments, checked from outside as a user would
# see it: the window shows at once and lists the emulated adapters when its first search ends,
# every control stands at its place, the window answers at once during a search and during a
# slow address change (where a Refresh is ignored), a second copy ends at once without a window,
# the about box opens from the system menu, and Exit and Escape end the program, and so do the
# close box and Alt+F4 within 2 s in the middle of a change. Leaves two screenshots: the
# window, and the window during a search.
#
#   gui_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX [SCREENSHOT.png]
#
# Everything that opens a socket runs in the LAN's client namespace: the program, the prefix's
# wineserver (Wine makes its sockets there) and the X server.
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

[ $# -ge 3 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX [SCREENSHOT.png]"
. "$here/gui_common.sh"
screenshot=${4:-$(cd "$1" && pwd)/vidudi-window.png}
searching_shot=${screenshot%.png}-searching.png
gui_begin "$1" "$2" "$3"
work=$WORK
app_dir=$GUI_APP_DIR

for segment in 1 2 3 4; do
    vlan_add_segment $segment && vlan_add_client_iface $segment >/dev/null || wine_fail "cannot add segment $segment"
done
cat >"$work/segment1.ini" <<'INI'
[device]
name = NAS-ONE
address = 10.77.1.10
gateway = 10.77.1.1

[device]
name = NAS-TWO
address = 10.77.1.11
netmask = 255.255.0.0
gateway = 10.77.1.254
dhcp = yes
INI
cat >"$work/segment2.ini" <<'INI'
[device]
name = NAS-THREE
address = 10.77.2.10
gateway = 10.77.2.1
reply-form = 7
type-codes = 3 10
INI
# One that confirms a new address only after 6 s, one that never does.
cat >"$work/segment3.ini" <<'INI'
[device]
name = NAS-SLOW
address = 10.77.3.10
gateway = 10.77.3.1
setting-reply-delay-ms = 6000
INI
cat >"$work/segment4.ini" <<'INI'
[device]
name = NAS-DEAF
address = 10.77.4.10
gateway = 10.77.4.1
ignore-settings = yes
INI
for segment in 1 2 3 4; do
    vlan_start_emulator $segment "$work/segment$segment.ini" "$work/segment$segment.log" ||
        wine_fail "cannot start the emulator of segment $segment"
done

# An X server and the wineserver of our own, in the client namespace.
gui_start_display
start_program() { gui_start_program; }
# ended HOW: the program's process is gone within 20 s, with its window.
ended() {
    drv --timeout 20 wait-gone || wine_fail "$1: the window is still there"
    for _ in $(seq 200); do kill -0 "$GUI_APP_PID" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$GUI_APP_PID" 2>/dev/null && wine_fail "$1: the process is still running"
    wait "$GUI_APP_PID" 2>/dev/null
    GUI_APP_PID=""
}

# watch_exchange NAME: the window's answers while an exchange runs (the UI driver's watch:
# every probe within 250 ms), into NAME.txt; run it in the background and pick it up with
# `wait $!`.
watch_exchange() {
    drv --timeout 30 watch >"$work/$1.txt" 2>"$work/$1.err" || { cat "$work/$1.err" >&2; return 1; }
}
# expect_status NAME TEXT: the watch NAME saw the status line say TEXT.
expect_status() {
    grep -qxF "status=$2" "$work/$1.txt" || wine_fail "the status line did not say '$2': $(cat "$work/$1.txt")"
}

# --- the window shows while its first search runs, answers meanwhile, and then lists the
# adapters of the four segments (in the order of the local addresses, which Wine chooses)
(cd "$app_dir" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >"$work/program.log" 2>&1 &
GUI_APP_PID=$!
drv --timeout 60 wait-window >"$work/window.txt" || wine_fail "the main window did not appear"
watch_exchange startup || wine_fail "the window did not answer during its first search"
expect_status startup "Searching for devices on 4 networks..."
echo "start-up: window shown during the search, $(tail -n 1 "$work/startup.txt")"
drv list-rows 1000 | sort >"$work/rows.txt"
printf '%s\t%s\t%s\t%s\n' NAS-ONE 10.77.1.10 255.255.255.0 10.77.1.1 NAS-THREE 10.77.2.10 255.255.255.0 10.77.2.1 \
    NAS-TWO 10.77.1.11 255.255.0.0 10.77.1.254 NAS-SLOW 10.77.3.10 255.255.255.0 10.77.3.1 \
    NAS-DEAF 10.77.4.10 255.255.255.0 10.77.4.1 | sort >"$work/expected.txt"
diff -u "$work/expected.txt" "$work/rows.txt" || wine_fail "the device list differs"
echo "device list: $(wc -l <"$work/rows.txt") rows as expected"

# --- every control of the window at its pixel rectangle; drop-down lists are one line high
# when closed, so only their top-left corner and width are checked
while read -r id x y w h; do
    line=$(drv control "$id") || wine_fail "control $id is missing"
    set -- $line
    got="$3 $4 $5"
    want="$x $y $w"
    [ "$id" = 1013 ] || [ "$id" = 1015 ] || { got="$got $6"; want="$want $h"; }
    [ "$got" = "$want" ] || wine_fail "control $id stands at $got, expected $want"
done <<'PLACES'
1002 43 238 114 20
1042 43 267 114 20
1043 43 296 114 20
1044 43 325 114 20
1008 43 354 114 20
1045 43 383 114 20
1009 43 412 114 20
1000 216 186 432 220
1016 376 213 160 26
1017 376 263 160 26
1030 560 265 79 21
1015 376 212 160 80
1006 376 263 160 26
1010 376 313 160 26
1011 376 363 160 26
1007 560 365 79 21
1001 216 186 329 220
1013 570 214 140 220
1003 600 264 79 21
1004 600 299 79 21
1038 286 208 300 30
1040 286 248 300 30
1039 286 288 300 30
1050 216 406 432 13
1036 570 191 120 17
1031 256 266 120 30
1032 256 216 120 30
1033 256 266 120 30
1034 256 316 120 30
1035 256 366 120 30
PLACES
read -r _ wx wy ww wh <"$work/window.txt"
[ "$wx $wy $ww $wh" = "0 0 801 592" ] || wine_fail "the window is at $wx $wy $ww $wh, expected 0 0 801 592"
echo "controls: every one at its place; window 801 x 592 at 0,0"

[ "$(drv control 1050 | sed 's/.*text=//')" = "" ] || wine_fail "the status line is not empty when idle"
vlan_client_exec import -window root "$screenshot" 2>>"$work/import.err" &&
    echo "screenshot: $screenshot" || echo "screenshot: could not be taken (see import.err)" >&2

# --- Refresh: the window answers throughout; a screenshot while it searches
drv --no-wait click 1002 >/dev/null || wine_fail "Refresh was not taken"
watch_exchange refresh &
watcher=$!
sleep 1
vlan_client_exec import -window root -crop 801x592+0+0 "$searching_shot" 2>>"$work/import.err" &&
    echo "screenshot during a search: $searching_shot" || echo "screenshot: could not be taken (see import.err)" >&2
wait $watcher || wine_fail "the window did not answer during a Refresh"
expect_status refresh "Searching for devices on 4 networks..."
[ "$(drv list-rows 1000 | wc -l)" -eq 5 ] || wine_fail "Refresh did not list the five adapters again"
echo "refresh: $(tail -n 1 "$work/refresh.txt")"

# --- a static address that the adapter confirms after 6 s: the window answers throughout, a
# Refresh clicked meanwhile is ignored (no search request reaches any adapter), and the change
# ends as before
gui_choose 10.77.3.10
drv click 1043 >/dev/null
drv select 1015 0 >/dev/null                      # Disable
drv ip 1006 10.77.3.20 >/dev/null
drv --no-wait click 1007 >/dev/null || wine_fail "Modify was not taken"
watch_exchange change &
watcher=$!
sleep 1.5
searches() { cat "$work"/segment?.log | grep -c ' recv .* len=11 '; }
before=$(searches)
drv --no-wait click 1002 >/dev/null || wine_fail "the Refresh click was not posted"
sleep 2                                           # still before the confirmation
[ "$(searches)" -eq "$before" ] || wine_fail "a Refresh during the change sent a search"
wait $watcher || wine_fail "the window did not answer during the change"
expect_status change "Waiting for NAS-SLOW to answer..."
expect_status change "Waiting for NAS-SLOW to return (search 1 of 30)..."
gui_expect_message Confirm "Successfully modified device setting."
row=$(gui_row_of 10.77.3.20)
[ -n "$row" ] && [ "$(drv list-rows 1000 | sed -n "$((row + 1))p" | cut -f1)" = NAS-SLOW ] ||
    wine_fail "NAS-SLOW is not listed at 10.77.3.20: $(drv list-rows 1000)"
echo "slow change: $(tail -n 1 "$work/change.txt"), Refresh ignored, confirmed and listed at 10.77.3.20"

# --- the close box, then Alt+F4, in the middle of a change that is never confirmed: the
# program ends within 2 s, without a message box
close_during_change() {  # close_during_change HOW DRIVER-ARGS...
    local how=$1 start_ms elapsed
    shift
    gui_choose 10.77.4.10
    drv click 1043 >/dev/null
    drv select 1015 0 >/dev/null
    drv ip 1006 10.77.4.20 >/dev/null
    drv --no-wait click 1007 >/dev/null || wine_fail "Modify was not taken"
    sleep 1
    [ "$(drv control 1050 | sed 's/.*text=//')" = "Waiting for NAS-DEAF to answer..." ] ||
        wine_fail "not waiting for NAS-DEAF: $(drv control 1050)"
    start_ms=$(date +%s%3N)
    drv --no-wait "$@" >/dev/null
    for _ in $(seq 100); do kill -0 "$GUI_APP_PID" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$GUI_APP_PID" 2>/dev/null && wine_fail "$how during a change did not end the program"
    elapsed=$(( $(date +%s%3N) - start_ms ))
    wait "$GUI_APP_PID" 2>/dev/null
    GUI_APP_PID=""
    [ "$elapsed" -le 2000 ] || wine_fail "$how during a change took $elapsed ms to end the program"
    echo "$how during a change: the program ended in $elapsed ms"
}
close_during_change "the close box" syscommand 0xF060
start_program
close_during_change "Alt+F4" --alt key 0 115
start_program

# --- a second copy ends at once, silently, and the first window stays the only one
start=$(date +%s)
(cd "$app_dir" && ip netns exec "$(vlan__client)" timeout 30 wine Vidudi.exe) >"$work/second.log" 2>&1 ||
    wine_fail "the second copy ended with status $?"
[ $(( $(date +%s) - start )) -le 10 ] || wine_fail "the second copy took $(( $(date +%s) - start )) s to end"
drv wait-window >"$work/window2.txt" || wine_fail "the first window went away"
[ "$(cut -d' ' -f1 "$work/window.txt")" = "$(cut -d' ' -f1 "$work/window2.txt")" ] ||
    wine_fail "another window answers now"
echo "second copy: ended in $(( $(date +%s) - start )) s without a window"

# --- the about box from the system menu, then back to the main window
drv syscommand 16 >/dev/null || wine_fail "the about entry could not be chosen"
drv dialog "Norvane Vidudi" >/dev/null || wine_fail "the about box did not open"
drv close-dialog "Norvane Vidudi" >/dev/null || wine_fail "the about box did not close"
echo "about box: opened from the system menu and closed"

# --- Exit, then Escape: each ends the program (the close box did above)
gui_click 1009
ended "Exit"
start_program
drv key 0 27 >/dev/null
ended "Escape"
echo "Exit and Escape each end the program"
