#!/bin/bash
# How Vidudi.exe looks under Wine, read from the screen: started from a folder without res\, it
# takes its images from res\ beside the program (no message box, the section bar drawn).
#
#   gui_look_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

[ $# -ge 3 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX"
. "$here/gui_common.sh"
gui_begin "$1" "$2" "$3"
work=$WORK
vlan_add_segment 1 && vlan_add_client_iface 1 >/dev/null || wine_fail "cannot add the segment"
printf '[device]\nname = NAS-ONE\naddress = 10.77.1.10\ngateway = 10.77.1.1\n' >"$work/segment1.ini"
vlan_start_emulator 1 "$work/segment1.ini" "$work/segment1.log" || wine_fail "cannot start the emulator"
gui_start_display

# screen_shows BMP...: the images stand pixel for pixel on the screen (tried for up to 10 s)
screen_shows() {
    local tries
    for tries in $(seq 20); do
        vlan_client_exec import -window root -depth 8 "rgb:$work/screen.rgb" 2>>"$work/import.err" &&
            python3 "$here/package_check.py" "$work/screen.rgb" 1024 "$@" 2>"$work/images.err" && return 0
        sleep 0.5
    done
    cat "$work/images.err" >&2
    return 1
}

# --- started from another folder: the images beside the program
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && exec ip netns exec "$(vlan__client)" wine "$GUI_APP_DIR/Vidudi.exe") >"$work/program.log" 2>&1 &
GUI_APP_PID=$!
drv --timeout 60 wait-window >"$work/window.txt" || wine_fail "the main window did not appear"
drv --timeout 60 wait-idle || wine_fail "the first search did not end"
res=$GUI_APP_DIR/res
screen_shows "$res/search_on.bmp" "$res/device_setting.bmp" "$res/exit.bmp" ||
    wine_fail "started from another folder, the window does not show its section bar"
drv --timeout 0.5 messagebox >"$work/box.txt" && wine_fail "a message box is open: $(cat "$work/box.txt")"
drv click 1009 >/dev/null
drv --timeout 20 wait-gone || wine_fail "Exit did not end the program"
wait "$GUI_APP_PID" 2>/dev/null
GUI_APP_PID=""
echo "PASS: started from another folder with its images"
