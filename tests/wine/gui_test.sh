#!/bin/bash
# Vidudi.exe under Wine on a four-segment LAN, seen from outside: the window shows at once,
# answers during its first search and lists every segment's adapters; a second copy ends without
# a window; a click shows the shares of an adapter whose work group comes late; Map Drive reports
# Wine's connection service failing; the window answers during a
# Refresh and a change confirmed after 6 s (a Refresh then sends nothing); the close box ends the
# program within 2 s during a change never confirmed.
#
#   gui_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
set -u -o pipefail
. "$(dirname "$0")/gui_common.sh"
gui_begin "$@"

for segment in 1 2 3 4; do
    vlan_add_segment $segment && vlan_add_client_iface $segment >/dev/null || wine_fail "cannot add segment $segment"
done
# NAS-ONE answers each query after 1.13 s: its work group 20 ms after the window gave up waiting
# for it, and before the answer to the share-list request that follows. (Sooner would only let
# the work group in on time; later than 1.22 s it would miss the flush that drops it.)
printf '%s\n' '[device]' 'name = NAS-ONE' 'address = 10.77.1.10' 'gateway = 10.77.1.1' 'shares = public:music' \
    'query-reply-delay-ms = 1130' \
    '[device]' 'name = NAS-TWO' 'address = 10.77.1.11' 'netmask = 255.255.0.0' 'gateway = 10.77.1.254' 'dhcp = yes' \
    >"$work/segment1.ini"
printf '[device]\nname = NAS-THREE\naddress = 10.77.2.10\ngateway = 10.77.2.1\nreply-form = 7\ntype-codes = 3 10\n' \
    >"$work/segment2.ini"
# One that confirms a new address only after 6 s, one that never does.
printf '[device]\nname = NAS-SLOW\naddress = 10.77.3.10\ngateway = 10.77.3.1\nsetting-reply-delay-ms = 6000\n' \
    >"$work/segment3.ini"
printf '[device]\nname = NAS-DEAF\naddress = 10.77.4.10\ngateway = 10.77.4.1\nignore-settings = yes\n' \
    >"$work/segment4.ini"
for segment in 1 2 3 4; do
    vlan_start_emulator $segment "$work/segment$segment.ini" "$work/segment$segment.log" ||
        wine_fail "cannot start the emulator of segment $segment"
done
gui_start_display

# watch_exchange NAME [BUTTON]: the window's answers while an exchange runs (every probe within
# 250 ms) into NAME.txt; BUTTON, if given, is clicked by the watching driver itself.
watch_exchange() {
    drv --timeout 60 watch "${@:2}" >"$work/$1.txt" || { tail -n 3 "$work/driver.err" >&2; return 1; }
}
expect_status() {  # expect_status NAME TEXT: the watch NAME saw the status line say TEXT
    grep -qxF "status=$2" "$work/$1.txt" || wine_fail "the status line did not say '$2': $(cat "$work/$1.txt")"
}
start_change() {  # start_change FROM TO: a static address for the adapter at FROM, Modify clicked
    gui_choose "$1"
    drv click 1043 >/dev/null && drv select 1015 0 >/dev/null && drv ip 1006 "$2" >/dev/null ||
        wine_fail "cannot enter $2 for $1"        # 1015 0: Disable
    drv --no-wait click 1007 >/dev/null || wine_fail "Modify was not taken"
}

# --- start-up: the window shows during its first search, then lists the four segments' adapters
# (the watch waits for the window from before the program starts, so it cannot miss the search)
watch_exchange startup &
watcher=$!
(cd "$GUI_APP_DIR" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >"$work/program.log" 2>&1 &
GUI_APP_PID=$!
wait $watcher || wine_fail "the window did not answer during its first search"
drv --timeout 60 wait-window >"$work/window.txt" || wine_fail "the main window did not appear"
expect_status startup "Searching for devices on 4 networks..."
drv list-rows 1000 | sort >"$work/rows.txt"
printf '%s\t%s\t%s\t%s\n' NAS-ONE 10.77.1.10 255.255.255.0 10.77.1.1 NAS-THREE 10.77.2.10 255.255.255.0 10.77.2.1 \
    NAS-TWO 10.77.1.11 255.255.0.0 10.77.1.254 NAS-SLOW 10.77.3.10 255.255.255.0 10.77.3.1 \
    NAS-DEAF 10.77.4.10 255.255.255.0 10.77.4.1 | sort >"$work/expected.txt"
diff -u "$work/expected.txt" "$work/rows.txt" || wine_fail "the device list differs"

# --- a second copy ends by itself, silently, and the first window stays the only one
(cd "$GUI_APP_DIR" && ip netns exec "$(vlan__client)" timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine Vidudi.exe) >"$work/second.log" 2>&1 ||
    wine_fail "the second copy ended with status $?"
drv wait-window >"$work/window2.txt" || wine_fail "the first window went away"
[ "$(cut -d' ' -f1 "$work/window.txt")" = "$(cut -d' ' -f1 "$work/window2.txt")" ] || wine_fail "another window answers now"

# --- Map Drive through Wine's connection service, which has no network provider: Mount fails,
# and Unmount of a letter that is not connected gives the two-line error
gui_choose 10.77.1.10
# The late work group is not taken for the share list: the click shows the real shares.
[ "$(drv list-rows 1001 | cut -f1 | tr '\n' ' ')" = "public music " ] || wine_fail "the shares of NAS-ONE: $(drv list-rows 1001)"
drv click 1044 >/dev/null
drv click-row 1001 0 >/dev/null || wine_fail "no share row"
drv --timeout 120 click 1003 >/dev/null
gui_expect_message Error "Failed to map drive."
drv click-row 1001 1 >/dev/null
drv --timeout 60 click 1004 >/dev/null
gui_expect_message Error "Unable to disconnect this drive.\\nPlease select a drive to disconnect and verify that the drive is not being accessed."

# --- Refresh: the window answers throughout
watch_exchange refresh 1002 || wine_fail "the window did not answer during a Refresh"
expect_status refresh "Searching for devices on 4 networks..."
[ "$(drv list-rows 1000 | wc -l)" -eq 5 ] || wine_fail "Refresh did not list the five adapters again"

# --- a static address confirmed after 6 s: the window answers throughout, a Refresh clicked
# meanwhile sends no search request, and the change ends as before
start_change 10.77.3.10 10.77.3.20
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

# --- the close box in the middle of a change never confirmed: the window is gone within 2 s
# (on the driver's clock, from the click), and the program ends
start_change 10.77.4.10 10.77.4.20
for _ in $(seq 100); do
    [ "$(drv control 1050)" = "text=Waiting for NAS-DEAF to answer..." ] && break
    sleep 0.1
done
[ "$(drv control 1050)" = "text=Waiting for NAS-DEAF to answer..." ] || wine_fail "not waiting for NAS-DEAF: $(drv control 1050)"
closed=$(drv --timeout 30 close) || wine_fail "the close box during a change did not close the window"
elapsed=${closed#closed_ms=}
for _ in $(seq 600); do kill -0 "$GUI_APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$GUI_APP_PID" 2>/dev/null && wine_fail "the program did not end after its window closed"
wait "$GUI_APP_PID" 2>/dev/null
GUI_APP_PID=""
[ "$elapsed" -le 2000 ] || wine_fail "the close box during a change took $elapsed ms to close the window"
echo "PASS: start-up, second copy, Map Drive errors, answers during searches and changes; closed in $elapsed ms"
