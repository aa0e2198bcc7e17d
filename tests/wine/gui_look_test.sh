#!/bin/bash
# How Vidudi.exe looks under Wine, read from the screen: started from a folder without res\, it
# takes its images from res\ beside the program (no message box, the section bar drawn); an
# owner-drawn button with the keyboard focus shows a dotted focus rectangle over its face, and a
# button disabled while it has the focus hands it to the device list.
#
#   gui_look_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
# With VIDUDI_SHOT_DIR set, the screenshots are saved there as PNG files.
set -u -o pipefail
. "$(dirname "$0")/gui_common.sh"
gui_begin "$@"
gui_one_adapter
gui_start_display

# screen_check NAME CHECK ARGS...: a screenshot in which python3 CHECK ARGS finds what it looks
# for (tried for up to 10 s); saved as NAME.png in VIDUDI_SHOT_DIR when that is set.
screen_check() {
    local name=$1 tries
    shift
    for tries in $(seq 20); do
        vlan_client_exec import -window root -depth 8 "rgb:$work/screen.rgb" 2>>"$work/import.err" &&
            python3 "$@" 2>"$work/check.err" && break
        sleep 0.5
    done
    [ -n "${VIDUDI_SHOT_DIR:-}" ] && convert -size 1024x768 -depth 8 "rgb:$work/screen.rgb" "$VIDUDI_SHOT_DIR/$name.png"
    [ ! -s "$work/check.err" ] || { cat "$work/check.err" >&2; return 1; }
}
screen_shows() { screen_check "$1" "$here/package_check.py" "$work/screen.rgb" 1024 "${@:2}"; }
# focus_shown ID BMP: control ID shows BMP under a focus rectangle
focus_shown() {
    local rect
    rect=$(drv screen-rect "$1") || return 1
    # shellcheck disable=SC2086
    screen_check "issue19-focus-$1" "$here/focus_check.py" "$work/screen.rgb" 1024 $rect "$2"
}
# tab_to ID: Tab until control ID has the keyboard focus
tab_to() {
    local n
    for n in $(seq 30); do
        [ "$(drv focus)" = "$1" ] && return 0
        drv key 9 >/dev/null || return 1
    done
    return 1
}

# --- started from another folder: the images beside the program
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && exec ip netns exec "$(vlan__client)" wine "$GUI_APP_DIR/Vidudi.exe") >"$work/program.log" 2>&1 &
GUI_APP_PID=$!
drv --timeout 60 wait-window >"$work/window.txt" || wine_fail "the main window did not appear"
drv --timeout 60 wait-idle || wine_fail "the first search did not end"
res=$GUI_APP_DIR/res
# Refresh has the focus at first: its face carries the focus rectangle.
screen_shows issue19-elsewhere "$res/ip_setting.bmp" "$res/device_setting.bmp" "$res/exit.bmp" ||
    wine_fail "started from another folder, the window does not show its section bar"
drv --timeout 0.5 messagebox >"$work/box.txt" && wine_fail "a message box is open: $(cat "$work/box.txt")"

# --- keyboard focus: on a bar button (its face a file) and on Modify (a bitmap resource)
tab_to 1002 || wine_fail "Tab does not reach Refresh (the focus is on $(drv focus))"
focus_shown 1002 "$res/search_on.bmp" || wine_fail "Refresh with the focus shows no focus rectangle"
drv key 32 >/dev/null  # Space: Refresh, which is disabled during its search
[ "$(drv focus)" = 1000 ] || wine_fail "after Refresh the focus is on $(drv focus), not on the device list"
drv click 1042 >/dev/null
tab_to 1030 || wine_fail "Tab does not reach Modify (the focus is on $(drv focus))"
focus_shown 1030 "$here/../../res/faces/modify.bmp" || wine_fail "Modify with the focus shows no focus rectangle"
drv click 1009 >/dev/null
drv --timeout 20 wait-gone || wine_fail "Exit did not end the program"
wait "$GUI_APP_PID" 2>/dev/null
GUI_APP_PID=""
echo "PASS: started from another folder with its images; focus rectangles; the focus leaves a disabled button"
