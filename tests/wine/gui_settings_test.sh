#!/bin/bash
# The settings, Map Drive and Configuration sections of Vidudi.exe under Wine against emulated
# adapters, driven from outside as a user would. Mount through Wine's connection service reports
# its failure, Unmount of a letter that is not connected gives the two-line error, and
# Configuration for a device that has gone away reports it and searches the list again (the
# browser's start command through the real registry is web_page_test.sh's). Then: choose an
# adapter, give it a static address, switch it back to DHCP, rename it and change its work group,
# and change a password-protected adapter through the login dialog; each step checks the request
# the adapter received (the emulator's log), the message the program shows, and the device list
# afterwards.
#
#   gui_settings_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
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
cat >"$work/devices.ini" <<'INI'
[device]
name = NAS-ONE
address = 10.77.1.10
gateway = 10.77.1.1
dhcp-address = 10.77.1.60
identity = 00:0e:a1:00:00:0a
shares = public:music

[device]
name = NAS-TWO
address = 10.77.1.11
gateway = 10.77.1.1
admin-password = s3cret
workgroup = OFFICE
identity = 00:0e:a1:00:00:0b
INI
printf '[device]\nname = NAS-GONE\naddress = 10.77.2.10\ngateway = 10.77.2.1\nshares = backup\n' >"$work/gone.ini"
vlan_start_emulator 1 "$work/devices.ini" "$work/emulator.log" &&
    vlan_start_emulator 2 "$work/gone.ini" "$work/gone.log" || wine_fail "cannot start the emulators"
gui_start_display

mark() { wc -l <"$work/emulator.log"; }
settings_since() { python3 "$here/../lan/request_log.py" "$work/emulator.log" "$1" | grep '^5/'; }
expect_listed() {  # expect_listed NAME ADDRESS: in the list, and its row selected
    local row
    row=$(gui_row_of "$2")
    [ -n "$row" ] || wine_fail "$2 is not listed after the change: $(drv list-rows 1000)"
    [ "$(drv list-rows 1000 | sed -n "$((row + 1))p" | cut -f1)" = "$1" ] || wine_fail "$2 is not listed as $1"
    drv --selected list-rows 1000 | grep -qx "$row" || wine_fail "$1 at $2 is not selected"
}
expect_settings() {  # expect_settings MARK <<lines: the setting requests received since MARK
    cat >"$work/settings.want"
    settings_since "$1" >"$work/settings.got"
    diff -u "$work/settings.want" "$work/settings.got" || wine_fail "the adapter received other settings"
}

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

# --- static address
gui_choose 10.77.1.10
drv click 1043 >/dev/null
drv select 1015 0 >/dev/null                      # Disable
drv ip 1006 10.77.1.20 >/dev/null
m=$(mark)
drv --timeout 120 click 1007 >/dev/null
gui_expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/1 len=70 to=10.77.1.10 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'10.77.1.20'
TXT
expect_listed NAS-ONE 10.77.1.20
echo "static address: confirmed, listed and selected at 10.77.1.20"

# --- back to DHCP: the adapter takes its DHCP address
drv select 1015 1 >/dev/null                      # Enable
m=$(mark)
drv --timeout 120 click 1007 >/dev/null
gui_expect_message Confirm "DHCP client enabled."
expect_settings "$m" <<'TXT'
5/2 len=60 to=10.77.1.20 id=000ea100000a netmask= gateway= payload=b''
TXT
expect_listed NAS-ONE 10.77.1.60
echo "DHCP: confirmed, listed and selected at 10.77.1.60"

# --- new host name and work group
drv click 1042 >/dev/null
drv type 1016 NAS-1_a >/dev/null
drv type 1017 TEAM-7 >/dev/null
m=$(mark)
drv --timeout 120 click 1030 >/dev/null
gui_expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/5 len=67 to=10.77.1.60 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'NAS-1_a'
5/7 len=66 to=10.77.1.60 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'TEAM-7'
TXT
expect_listed NAS-1_a 10.77.1.60
echo "device setting: renamed NAS-1_a, work group TEAM-7"

# --- a password-protected adapter: one login dialog; a wrong password is told once
gui_choose 10.77.1.11
drv click 1042 >/dev/null
drv type 1017 GROUP-2 >/dev/null
m=$(mark)
drv --timeout 60 click 1030 >/dev/null
drv --timeout 60 dialog Login >/dev/null || wine_fail "no login dialog"
[ "$(drv --dialog Login control 1016 | sed 's/.*text=//')" = admin ] || wine_fail "the user name is not admin"
drv --dialog Login type 1017 wrong >/dev/null
drv --timeout 60 --dialog Login click 1 >/dev/null
gui_expect_message Error "Wrong administrator password input!"
drv no-messagebox >/dev/null || wine_fail "a second message box"
settings_since "$m" >"$work/none.txt"
[ ! -s "$work/none.txt" ] || wine_fail "a refused login sent a setting: $(cat "$work/none.txt")"
drv --timeout 60 click 1030 >/dev/null
drv --timeout 60 dialog Login >/dev/null || wine_fail "no login dialog the second time"
drv --dialog Login type 1017 s3cret >/dev/null
drv --timeout 120 --dialog Login click 1 >/dev/null
gui_expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/5 len=67 to=10.77.1.11 id=000ea100000b netmask=255.255.255.0 gateway=10.77.1.1 payload=b'NAS-TWO'
5/7 len=67 to=10.77.1.11 id=000ea100000b netmask=255.255.255.0 gateway=10.77.1.1 payload=b'GROUP-2'
TXT
python3 "$here/../lan/request_log.py" "$work/emulator.log" "$m" | grep -c "^3/4 .*payload=b'adminU\\\\xaas3cret'" |
    grep -qx 1 || wine_fail "the password was not checked exactly once"
echo "login: wrong password told once, right one accepted through the dialog"

gui_click 1009
drv --timeout 20 wait-gone >/dev/null || wine_fail "Exit did not end the program"
