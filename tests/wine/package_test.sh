#!/bin/bash
# The Windows package as a user meets it, in a fresh Wine prefix on the virtual LAN: the silent
# install puts the programs, the Start-menu shortcut and the uninstall registration in place; the
# program started through its shortcut shows its images and the emulated adapters; the silent
# uninstall takes all of it away again.
#
#   package_test.sh DIST_DIR VERSION SOURCE_DIR WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
#
# Skipped without a package in DIST_DIR (scripts/package.sh), unless VIDUDI_PACKAGE_REQUIRED is set.
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"
. "$here/gui_common.sh"

[ $# -eq 6 ] || wine_fail "usage: $0 DIST_DIR VERSION SOURCE_DIR WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX"
dist=$1 version=$2 source=$3 windows=$4
export NAS_EMULATOR=$5
setup=$dist/Vidudi-$version-setup.exe
if [ ! -f "$setup" ]; then
    [ -n "${VIDUDI_PACKAGE_REQUIRED:-}" ] && wine_fail "no package in $dist: scripts/package.sh did not make it"
    echo "no package in $dist (run scripts/package.sh to make it); skipped" >&2
    exit 77
fi
GUI_DRIVER=$windows/tests/wine/ui_driver/vidudi-ui-driver.exe
wine_require_file "$GUI_DRIVER" vidudi-ui-driver.exe
[ -x "$NAS_EMULATOR" ] || wine_fail "nas-emulator not found at $NAS_EMULATOR"
vlan_require_root

# A new prefix every run: what an earlier run installed must not count.
wine_use_prefix "$6"
wine_lock_prefix
rm -f -- "$WINEPREFIX/.vidudi-ready"
wine_ensure_prefix
# No desktop entries in the user's home for the shortcut.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-package.XXXXXX") || wine_fail "no temporary directory"
GUI_APP_PID=""
vlan_create || wine_fail "cannot create the virtual LAN"
trap gui__on_exit EXIT

drive_c=$WINEPREFIX/drive_c
install_dir=$drive_c/Program\ Files/Norvane/Vidudi
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Norvane\ Vidudi.lnk
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Norvane Vidudi'

# What the installer puts in its folder.
{
    printf '%s\n' README.txt Vidudi.exe vidudi-cli.exe uninstall.exe
    for image in "$source"/res/*.bmp; do echo "res/$(basename "$image")"; done
    [ -f "$source/tools/wireshark/vidudi.lua" ] && echo wireshark/vidudi.lua
} | LC_ALL=C sort >"$WORK/expected-installed.txt"

vlan_add_segment 1 && vlan_add_segment 2 || wine_fail "cannot add segments"
vlan_add_client_iface 1 >/dev/null && vlan_add_client_iface 2 >/dev/null || wine_fail "no client interfaces"
printf '[device]\nname = NAS-ONE\naddress = 10.77.1.10\ngateway = 10.77.1.1\n' >"$WORK/segment1.ini"
printf '[device]\nname = NAS-TWO\naddress = 10.77.2.10\ngateway = 10.77.2.1\nreply-form = 7\n' >"$WORK/segment2.ini"
vlan_start_emulator 1 "$WORK/segment1.ini" "$WORK/segment1.log" &&
    vlan_start_emulator 2 "$WORK/segment2.ini" "$WORK/segment2.log" || wine_fail "cannot start the emulators"
gui_start_display

in_lan() { vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" "$@"; }

# --- silent install: the files, the shortcut, the registration
in_lan wine "$setup" /S >"$WORK/setup.log" 2>&1 || wine_fail "the silent install ended with status $?"
(cd "$install_dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$WORK/installed.txt"
diff -u "$WORK/expected-installed.txt" "$WORK/installed.txt" || wine_fail "other files installed than expected"
[ -f "$shortcut" ] || wine_fail "no Start-menu shortcut at $shortcut"
in_lan wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' >"$WORK/registration.txt" ||
    wine_fail "no uninstall registration"
for value in "DisplayVersion REG_SZ $version" \
    'UninstallString REG_SZ "C:\Program Files\Norvane\Vidudi\uninstall.exe"'; do
    awk '{ $1 = $1; print }' "$WORK/registration.txt" | grep -qxF -- "$value" ||
        { cat "$WORK/registration.txt" >&2; wine_fail "the registration lacks $value"; }
done

# --- started through its shortcut: the window, its images, the adapters
in_lan wine start /unix "$shortcut" >"$WORK/start.log" 2>&1 || wine_fail "wine start of the shortcut failed"
drv --timeout 60 wait-window >"$WORK/window.txt" || wine_fail "the window did not appear"
drv --timeout 60 wait-idle || wine_fail "the first search did not end"
printf '%s\t%s\t%s\t%s\n' NAS-ONE 10.77.1.10 255.255.255.0 10.77.1.1 NAS-TWO 10.77.2.10 255.255.255.0 10.77.2.1 |
    sort >"$WORK/expected-rows.txt"
drv list-rows 1000 | sort >"$WORK/rows.txt"
diff -u "$WORK/expected-rows.txt" "$WORK/rows.txt" || wine_fail "the device list differs"
# The images come from res\ of the working folder: the background (a failure shows a message
# box) and the section bar, Refresh highlighted as the current section. Refresh has the keyboard
# focus at first, so its face is under a focus rectangle.
images=("$source/res/device_setting.bmp" "$source/res/exit.bmp")
refresh=$(drv screen-rect 1002) || wine_fail "no screen rectangle for Refresh"
for tries in $(seq 20); do
    vlan_client_exec import -window root -depth 8 "rgb:$WORK/screen.rgb" 2>>"$WORK/import.err" &&
        python3 "$here/package_check.py" "$WORK/screen.rgb" 1024 "${images[@]}" 2>"$WORK/images.err" &&
        # shellcheck disable=SC2086
        python3 "$here/focus_check.py" "$WORK/screen.rgb" 1024 $refresh "$source/res/search_on.bmp" 2>"$WORK/images.err" &&
        break
    sleep 0.5
done
[ -s "$WORK/images.err" ] && { cat "$WORK/images.err" >&2; wine_fail "the window does not show its images"; }
drv --timeout 0.5 messagebox >"$WORK/box.txt" && wine_fail "a message box is open: $(cat "$WORK/box.txt")"
drv click 1009 >/dev/null
drv --timeout 20 wait-gone || wine_fail "Exit did not end the program"

# --- silent uninstall (it runs on from a copy in the temporary folder: wait until the
# registration, the last thing it removes, is gone): nothing left
in_lan wine 'C:\Program Files\Norvane\Vidudi\uninstall.exe' /S >"$WORK/uninstall.log" 2>&1 ||
    wine_fail "the silent uninstall ended with status $?"
for _ in $(seq 120); do in_lan wine reg query "$uninstall_key" >/dev/null 2>&1 || break; sleep 0.5; done
in_lan wine reg query "$uninstall_key" >/dev/null 2>&1 && wine_fail "the registration is still there after 60 s"
[ ! -e "$(dirname "$install_dir")" ] || wine_fail "left behind: $(cd "$(dirname "$install_dir")" && find . | tr '\n' ' ')"
[ ! -e "$shortcut" ] || wine_fail "the shortcut is left behind"
echo "PASS: installed, started through the shortcut with images and adapters, uninstalled without a trace"
