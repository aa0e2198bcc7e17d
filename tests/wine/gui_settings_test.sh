#!/bin/bash
# The settings sections of Vidudi.exe under Wine against emulated adapters, driven from outside
# as a user would: choose an adapter, give it a static address, switch it back to DHCP, rename
# it and change its work group, and change a password-protected adapter through the login
# dialog. Each step checks the request the adapter received (the emulator's log), the message
# the program shows, and the device list afterwards.
#
#   gui_settings_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

[ $# -eq 3 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX"
windows=$(cd "$1" 2>/dev/null && pwd) || wine_fail "no Windows build at $1"
export NAS_EMULATOR=$2
app_dir=$windows/src/app
driver_dir=$windows/tests/wine/ui_driver
wine_require_file "$app_dir/Vidudi.exe" Vidudi.exe
wine_require_file "$driver_dir/vidudi-ui-driver.exe" vidudi-ui-driver.exe
[ -x "$NAS_EMULATOR" ] || wine_fail "nas-emulator not found at $NAS_EMULATOR"
vlan_require_root

wine_use_prefix "$3"
wine_lock_prefix
wine_ensure_prefix

work=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-gui-settings.XXXXXX") || wine_fail "no temporary directory"
app_pid=""
on_exit() {
    local status=$?
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    wine_server_stop
    wine_stop_xvfb
    if [ "$status" -ne 0 ]; then
        for log in "$work"/*.log "$work"/*.err; do
            [ -s "$log" ] && { echo "----- $(basename "$log")" >&2; tail -n 25 "$log" | cut -c1-200 >&2; }
        done
    fi
    vlan_destroy
    rm -rf -- "$work"
    exit "$status"
}
vlan_create || wine_fail "cannot create the virtual LAN"
trap on_exit EXIT

vlan_add_segment 1 || wine_fail "cannot add the segment"
vlan_add_client_iface 1 >/dev/null || wine_fail "no client interface"
cat >"$work/devices.ini" <<'INI'
[device]
name = NAS-ONE
address = 10.77.1.10
gateway = 10.77.1.1
dhcp-address = 10.77.1.60
identity = 00:0e:a1:00:00:0a

[device]
name = NAS-TWO
address = 10.77.1.11
gateway = 10.77.1.1
admin-password = s3cret
workgroup = OFFICE
identity = 00:0e:a1:00:00:0b
INI
vlan_start_emulator 1 "$work/devices.ini" "$work/emulator.log" || wine_fail "cannot start the emulator"
wine_start_xvfb vlan_client_exec
wine_server_start vlan_client_exec

drv() { vlan_client_exec timeout -k 5 180 wine "$driver_dir/vidudi-ui-driver.exe" "$@" 2>>"$work/driver.err" | tr -d '\r'; }
mark() { wc -l <"$work/emulator.log"; }
settings_since() { python3 "$here/../lan/request_log.py" "$work/emulator.log" "$1" | grep '^5/'; }
row_of() {  # row_of ADDRESS: the device list row showing the address
    drv list-rows 1000 | awk -F'\t' -v a="$1" '$2 == a { print NR - 1; exit }'
}
choose() {  # choose ADDRESS: back to the list (Refresh) and click the adapter's row
    drv --timeout 60 click 1002 >/dev/null || wine_fail "Refresh failed"
    local row
    row=$(row_of "$1")
    [ -n "$row" ] || wine_fail "$1 is not listed: $(drv list-rows 1000)"
    drv --timeout 60 click-row 1000 "$row" >/dev/null || wine_fail "cannot click $1"
}
expect_message() {  # expect_message CAPTION TEXT: the box that is open, then OK
    drv --timeout 120 messagebox >"$work/box.txt" || wine_fail "no message box (expected '$2')"
    printf 'caption=%s\ntext=%s\n' "$1" "$2" >"$work/box.want"
    diff -u "$work/box.want" "$work/box.txt" || wine_fail "unexpected message box"
    drv answer-messagebox >/dev/null || wine_fail "cannot close the message box"
}
expect_listed() {  # expect_listed NAME ADDRESS: in the list, and its row selected
    local row
    row=$(row_of "$2")
    [ -n "$row" ] || wine_fail "$2 is not listed after the change: $(drv list-rows 1000)"
    [ "$(drv list-rows 1000 | sed -n "$((row + 1))p" | cut -f1)" = "$1" ] || wine_fail "$2 is not listed as $1"
    drv --selected list-rows 1000 | grep -qx "$row" || wine_fail "$1 at $2 is not selected"
}
expect_settings() {  # expect_settings MARK <<lines: the setting requests received since MARK
    cat >"$work/settings.want"
    settings_since "$1" >"$work/settings.got"
    diff -u "$work/settings.want" "$work/settings.got" || wine_fail "the adapter received other settings"
}

(cd "$app_dir" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >"$work/program.log" 2>&1 &
app_pid=$!
drv --timeout 60 wait-window >/dev/null || wine_fail "the main window did not appear"

# --- static address
choose 10.77.1.10
drv click 1043 >/dev/null
drv select 1015 0 >/dev/null                      # Disable
drv ip 1006 10.77.1.20 >/dev/null
m=$(mark)
drv --timeout 120 click 1007 >/dev/null
expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/1 len=70 to=10.77.1.10 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'10.77.1.20'
TXT
expect_listed NAS-ONE 10.77.1.20
echo "static address: confirmed, listed and selected at 10.77.1.20"

# --- back to DHCP: the adapter takes its DHCP address
drv select 1015 1 >/dev/null                      # Enable
m=$(mark)
drv --timeout 120 click 1007 >/dev/null
expect_message Confirm "DHCP client enabled."
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
expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/5 len=67 to=10.77.1.60 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'NAS-1_a'
5/7 len=66 to=10.77.1.60 id=000ea100000a netmask=255.255.255.0 gateway=10.77.1.1 payload=b'TEAM-7'
TXT
expect_listed NAS-1_a 10.77.1.60
echo "device setting: renamed NAS-1_a, work group TEAM-7"

# --- a password-protected adapter: one login dialog; a wrong password is told once
choose 10.77.1.11
drv click 1042 >/dev/null
drv type 1017 GROUP-2 >/dev/null
m=$(mark)
drv --timeout 60 click 1030 >/dev/null
drv --timeout 60 dialog Login >/dev/null || wine_fail "no login dialog"
[ "$(drv --dialog Login control 1016 | sed 's/.*text=//')" = admin ] || wine_fail "the user name is not admin"
drv --dialog Login type 1017 wrong >/dev/null
drv --timeout 60 --dialog Login click 1 >/dev/null
expect_message Error "Wrong administrator password input!"
drv no-messagebox >/dev/null || wine_fail "a second message box"
settings_since "$m" >"$work/none.txt"
[ ! -s "$work/none.txt" ] || wine_fail "a refused login sent a setting: $(cat "$work/none.txt")"
drv --timeout 60 click 1030 >/dev/null
drv --timeout 60 dialog Login >/dev/null || wine_fail "no login dialog the second time"
drv --dialog Login type 1017 s3cret >/dev/null
drv --timeout 120 --dialog Login click 1 >/dev/null
expect_message Confirm "Successfully modified device setting."
expect_settings "$m" <<'TXT'
5/5 len=67 to=10.77.1.11 id=000ea100000b netmask=255.255.255.0 gateway=10.77.1.1 payload=b'NAS-TWO'
5/7 len=67 to=10.77.1.11 id=000ea100000b netmask=255.255.255.0 gateway=10.77.1.1 payload=b'GROUP-2'
TXT
python3 "$here/../lan/request_log.py" "$work/emulator.log" "$m" | grep -c "^3/4 .*payload=b'adminU\\\\xaas3cret'" |
    grep -qx 1 || wine_fail "the password was not checked exactly once"
echo "login: wrong password told once, right one accepted through the dialog"

drv click 1009 >/dev/null
drv --timeout 20 wait-gone >/dev/null || wine_fail "Exit did not end the program"
