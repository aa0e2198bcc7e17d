#!/bin/bash
# Map Drive and Configuration of Vidudi.exe under Wine against emulated adapters, driven from
# outside: Mount through Wine's connection service reports its failure, Unmount of a letter
# that is not connected gives the two-line error, and Configuration for a device that has gone
# away reports it and searches the list again. (The browser's start command through the real
# registry is web_page_test.sh's.)
#
#   gui_drives_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

[ $# -eq 3 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX"
. "$here/gui_common.sh"
gui_begin "$@"
work=$WORK

vlan_add_segment 1 && vlan_add_segment 2 || wine_fail "cannot add the segments"
vlan_add_client_iface 1 >/dev/null && vlan_add_client_iface 2 >/dev/null || wine_fail "no client interfaces"
printf '[device]\nname = NAS-ONE\naddress = 10.77.1.10\ngateway = 10.77.1.1\nshares = public:music\n' >"$work/one.ini"
printf '[device]\nname = NAS-GONE\naddress = 10.77.2.10\ngateway = 10.77.2.1\nshares = backup\n' >"$work/gone.ini"
vlan_start_emulator 1 "$work/one.ini" "$work/one.log" &&
    vlan_start_emulator 2 "$work/gone.ini" "$work/gone.log" || wine_fail "cannot start the emulators"
gui_start_display

gui_start_program

# --- Mount through Wine's connection service, which has no network provider: it fails
gui_choose 10.77.1.10
drv click 1044 >/dev/null
drv click-row 1001 0 >/dev/null || wine_fail "no share row"
drv --timeout 120 click 1003 >/dev/null
gui_expect_message Error "Failed to map drive."
echo "mount: Failed to map drive."

# --- Unmount of a letter that is not connected (the share's empty "Map to")
drv click-row 1001 1 >/dev/null
drv --timeout 60 click 1004 >/dev/null
gui_expect_message Error "Unable to disconnect this drive.\\nPlease select a drive to disconnect and verify that the drive is not being accessed."
echo "unmount: the two-line error"

# --- a device that has gone away: told, then the list is searched again without it
gui_choose 10.77.2.10
gone_pid=$(awk -v ns="$(vlan__devns 2)" '$2 == ns { print $1 }' "$VLAN_DIR/pids")
[ -n "$gone_pid" ] || wine_fail "cannot find the second emulator"
kill "$gone_pid"
drv --timeout 60 click 1008 >/dev/null
gui_expect_message Warning "Device is no longer available."
drv --timeout 60 wait-idle || wine_fail "the search after the warning did not end"
for _ in $(seq 50); do [ -z "$(gui_row_of 10.77.2.10)" ] && break; sleep 0.2; done
[ -z "$(gui_row_of 10.77.2.10)" ] || wine_fail "the gone device is still listed"
[ -n "$(gui_row_of 10.77.1.10)" ] || wine_fail "the list was not searched again"
echo "gone device: warned, list searched again"

gui_click 1009
drv --timeout 20 wait-gone >/dev/null || wine_fail "Exit did not end the program"
