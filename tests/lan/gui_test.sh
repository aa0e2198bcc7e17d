#!/bin/bash
# vidudi-gui on the virtual LAN, under Xvfb in the client namespace, read and driven from
# outside through the accessibility bus (atspi_driver.py): the device list after start-up; a
# second copy ends silently; a device click loads the fields, the work group and the shares;
# Configuration opens the page; Mount and Unmount through a stand-in gio; a refused login; a
# static address confirmed by the emulator; the close box during a change never confirmed ends
# the program within 2 s (on the driver's clock).
# With VIDUDI_SHOTS=FOLDER, a screenshot of each section goes there.
#
#   gui_test.sh VIDUDI_GUI NAS_EMULATOR
source "$(dirname "$0")/lan_lib.sh"
lan_init "$@"
lan_ini "$WORK/s1.ini" \
    "name=NAS-ONE;address=10.77.1.10;identity=00:0e:a1:01:00:10;gateway=10.77.1.1;shares=Public:Music;workgroup=OFFICE" \
    "name=NAS-LOCKED;address=10.77.1.11;identity=00:0e:a1:01:00:11;gateway=10.77.1.1;admin-password=secret" \
    "name=NAS-DEAF;address=10.77.1.12;identity=00:0e:a1:01:00:12;gateway=10.77.1.1;ignore-settings=yes"
lan_lan 1

source "$LAN_TESTS_DIR/gui_lib.sh"
gui_desktop
# gio: each call's arguments and input into gio.log; a guest is refused, a user mounts.
cat >"$WORK/bin/gio" <<EOF
#!/bin/sh
printf '%s|' "\$@" >>"$WORK/gio.log"; printf '\n' >>"$WORK/gio.log"; cat >>"$WORK/gio.log"
case "\$2" in
--anonymous) exit 2;;
--unmount) rm -rf "$XDG_RUNTIME_DIR/gvfs/smb-share:server=10.77.1.10,share=public";;
*) mkdir -p "$XDG_RUNTIME_DIR/gvfs/smb-share:server=10.77.1.10,share=public";;
esac
EOF
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$WORK/opened.log" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/gio" "$WORK/bin/xdg-open"

gui_start "$VIDUDI"
drv() { gui_drv "$@"; }
click_device() {  # click_device ADDRESS: a click on its row; its host name shows, its reads end
    local row
    row=$(gui_row_of "$1")
    [ -n "$row" ] || lan_fail "$1 is not listed: $(drv list-rows 1000)"
    drv click-row 1000 "$row" || lan_fail "cannot click $1"
    for _ in $(seq 100); do [ -n "$(drv text 1016)" ] && break; sleep 0.1; done
    gui_idle || lan_fail "the reads of $1 did not end"
}
choose() {  # choose ADDRESS: Refresh (the list shows again, searched afresh), then click_device
    drv click 1002 || lan_fail "Refresh was not taken"
    # A search takes a second at least: its status line is there to be seen.
    for _ in $(seq 100); do [ -n "$(drv text 1050)" ] && break; sleep 0.1; done
    gui_idle || lan_fail "Refresh did not end"
    click_device "$1"
}
listed() {  # listed COUNT: waits until the device list has COUNT rows
    for _ in $(seq 150); do [ "$(drv list-rows 1000 | wc -l)" -eq "$1" ] && return 0; sleep 0.2; done
    return 1
}

# --- start-up: the window lists the three adapters of the segment
drv wait-window >/dev/null || lan_fail "the main window did not appear"
listed 3 || lan_fail "the device list after start-up: $(drv list-rows 1000)"
drv list-rows 1000 | sort >"$WORK/rows.txt"
printf '%s\t%s\t%s\t%s\n' NAS-DEAF 10.77.1.12 255.255.255.0 10.77.1.1 NAS-LOCKED 10.77.1.11 255.255.255.0 10.77.1.1 \
    NAS-ONE 10.77.1.10 255.255.255.0 10.77.1.1 | lan_expect_same "the device list" - "$WORK/rows.txt"

# --- a second copy ends by itself, silently, while the first one runs
vlan_client_exec timeout -k 5 60 "$VIDUDI" >"$WORK/second.log" 2>&1 || lan_fail "the second copy ended with status $?"
[ ! -s "$WORK/second.log" ] || lan_fail "the second copy said: $(cat "$WORK/second.log")"
drv wait-window >/dev/null || lan_fail "the first window went away"

# --- a device click: host name, work group, address fields and shares
click_device 10.77.1.10
gui_shot find-device
drv click 1042 && [ "$(drv text 1016)" = NAS-ONE ] && [ "$(drv text 1017)" = OFFICE ] ||
    lan_fail "Device Setting shows '$(drv text 1016)' / '$(drv text 1017)'"
gui_shot device-setting
drv click 1043 || lan_fail "no IP Setting"
[ "$(drv text 1015) $(drv ip 1006) $(drv ip 1010) $(drv ip 1011)" = "Disable 10.77.1.10 255.255.255.0 10.77.1.1" ] ||
    lan_fail "IP Setting shows $(drv text 1015) $(drv ip 1006) $(drv ip 1010) $(drv ip 1011)"
gui_shot ip-setting
drv click 1044 || lan_fail "no Map Drive"
drv list-rows 1001 | cut -f1 | lan_expect_same "the shares" <(printf 'Public\nMusic\n') -
[ "$(drv shown 1013)" = no ] && [ "$(drv shown 1036)" = no ] || lan_fail "the drive letters show"
gui_shot map-drive
drv click 1045 && gui_shot about
# Configuration: the device's page, handed to the desktop's opener after the probe.
drv click 1008 || lan_fail "Configuration was not taken"
for _ in $(seq 50); do [ -s "$WORK/opened.log" ] && break; sleep 0.1; done
printf 'http://10.77.1.10\n' | lan_expect_same "what the opener got" - "$WORK/opened.log"

# --- Mount: a guest is refused, the login dialog names the user; the folder opens; Unmount
drv click 1044
drv click-row 1001 0 || lan_fail "no share row"
drv click 1003 || lan_fail "Mount was not taken"
drv wait-dialog Login && gui_shot login
drv login alice pw || lan_fail "no login dialog for the share"
folder=$XDG_RUNTIME_DIR/gvfs/smb-share:server=10.77.1.10,share=public
gui_expect_message Confirm "Successfully mapped drive." mounted
[ "$(drv list-rows 1001 | head -1)" = "Public	$folder" ] || lan_fail "Map to: $(drv list-rows 1001)"
drv click-row 1001 0 && drv click 1004 || lan_fail "Unmount was not taken"
gui_expect_message Confirm "Successfully unmapped drive."
printf '%s\n' "mount|--anonymous|smb://10.77.1.10/Public|" "mount|smb://10.77.1.10/Public|" alice "" pw \
    "mount|--unmount|smb://10.77.1.10/public|" | lan_expect_same "the calls of gio" - "$WORK/gio.log"
printf '%s\n' http://10.77.1.10 "$folder" | lan_expect_same "what the opener got" - "$WORK/opened.log"

# --- a refused login: the administrator's empty password fails, the dialog opens, a wrong one
# is refused too
choose 10.77.1.11
drv click 1042 && drv set-text 1016 NAS-NEW && drv click 1030 || lan_fail "Modify was not taken"
drv login admin wrong || lan_fail "no login dialog after the refusal"
gui_expect_message Error "Wrong administrator password input!" refused-login

# --- a static address: the emulator answers from the new address, the window says so
choose 10.77.1.10
drv click 1043 && drv ip 1006 10.77.1.20 && drv ip 1010 255.255.255.0 && drv ip 1011 10.77.1.1 && drv click 1007 ||
    lan_fail "cannot enter the static address"
gui_expect_message Confirm "Successfully modified device setting."
grep -q 'send 10.77.1.20 to ' "$WORK/s1.log" || lan_fail "the emulator did not answer from 10.77.1.20"
[ -n "$(gui_row_of 10.77.1.20)" ] || lan_fail "NAS-ONE is not listed at 10.77.1.20: $(drv list-rows 1000)"

# --- the close box during a change never confirmed: the program ends within 2 s
choose 10.77.1.12
drv click 1043 && drv ip 1006 10.77.1.30 && drv click 1007 || lan_fail "cannot start the change of NAS-DEAF"
for _ in $(seq 100); do [ "$(drv text 1050)" = "Waiting for NAS-DEAF to answer..." ] && break; sleep 0.1; done
[ "$(drv text 1050)" = "Waiting for NAS-DEAF to answer..." ] || lan_fail "not waiting for NAS-DEAF: $(drv text 1050)"
closed=$(drv close) || lan_fail "the close box during a change did not end the program"
wait "$GUI_PID"
elapsed=${closed#closed_ms=}
[ "$elapsed" -le 2000 ] || lan_fail "the close box during a change took $elapsed ms to end the program"
# The sanitizer build's reports, if any, end up here.
! grep -E 'Sanitizer|runtime error' "$WORK/gui.log" "$WORK/second.log" >&2 || lan_fail "the sanitizers reported faults"
echo "closed in $elapsed ms"
lan_pass
