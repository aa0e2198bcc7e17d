#!/bin/bash
# Vidudi.exe under Wine on the virtual LAN, checked from outside as a user would see it: the
# first window lists the emulated adapters, every control stands at its place, a second copy
# ends at once without a window, the about box opens from the system menu, and Exit, the close
# box and Escape each end the program. Leaves a screenshot of the window.
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
gui_begin "$1" "$2" "$3"
work=$WORK
app_dir=$GUI_APP_DIR

vlan_add_segment 1 && vlan_add_segment 2 || wine_fail "cannot add segments"
vlan_add_client_iface 1 >/dev/null && vlan_add_client_iface 2 >/dev/null || wine_fail "no client interfaces"
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
vlan_start_emulator 1 "$work/segment1.ini" "$work/segment1.log" &&
    vlan_start_emulator 2 "$work/segment2.ini" "$work/segment2.log" || wine_fail "cannot start the emulators"

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

# --- the first window lists the adapters of both segments (in the order of the local
# addresses, which Wine chooses), with their four columns
start_program
drv list-rows 1000 | sort >"$work/rows.txt"
printf '%s\t%s\t%s\t%s\n' NAS-ONE 10.77.1.10 255.255.255.0 10.77.1.1 NAS-THREE 10.77.2.10 255.255.255.0 10.77.2.1 \
    NAS-TWO 10.77.1.11 255.255.0.0 10.77.1.254 | sort >"$work/expected.txt"
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

vlan_client_exec import -window root "$screenshot" 2>>"$work/import.err" &&
    echo "screenshot: $screenshot" || echo "screenshot: could not be taken (see import.err)" >&2

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

# --- Exit, then the close box, then Escape: each ends the program
gui_click 1009
ended "Exit"
start_program
drv syscommand 0xF060 >/dev/null
ended "the close box"
start_program
drv key 0 27 >/dev/null
ended "Escape"
echo "Exit, close box and Escape each end the program"
