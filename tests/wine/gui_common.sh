# For the scripts that drive Vidudi.exe under Wine (source it; it sources wine_common.sh and
# ../lan/vlan.sh and sets here to its folder): gui_begin WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX
# (checks, prefix, LAN, trap; sets WORK and work), gui_one_adapter (segment 1 with NAS-ONE at
# 10.77.1.10), gui_start_display (Xvfb and wineserver in the client namespace), drv ARGS (the
# UI driver), gui_choose ADDRESS (Refresh, then a click on its row), gui_row_of ADDRESS,
# gui_expect_message CAPTION TEXT (the open message box, then OK).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

gui_begin() {
    [ $# -ge 3 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX"
    GUI_WINDOWS=$(cd "$1" 2>/dev/null && pwd) || wine_fail "no Windows build at $1"
    export NAS_EMULATOR=$2
    GUI_APP_DIR=$GUI_WINDOWS/src/app
    GUI_DRIVER=$GUI_WINDOWS/tests/wine/ui_driver/vidudi-ui-driver.exe
    wine_require_file "$GUI_APP_DIR/Vidudi.exe" Vidudi.exe
    wine_require_file "$GUI_APP_DIR/res/Norvane_bkgnd.bmp" "the skin images beside Vidudi.exe"
    wine_require_file "$GUI_DRIVER" vidudi-ui-driver.exe
    [ -x "$NAS_EMULATOR" ] || wine_fail "nas-emulator not found at $NAS_EMULATOR"
    vlan_require_root
    wine_use_prefix "$3"
    wine_lock_prefix
    wine_ensure_prefix
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-gui.XXXXXX") || wine_fail "no temporary directory"
    GUI_APP_PID=""
    vlan_create || wine_fail "cannot create the virtual LAN"
    trap gui__on_exit EXIT
    work=$WORK
}

gui_one_adapter() {
    vlan_add_segment 1 && vlan_add_client_iface 1 >/dev/null || wine_fail "cannot add the segment"
    printf '[device]\nname = NAS-ONE\naddress = 10.77.1.10\ngateway = 10.77.1.1\n' >"$WORK/segment1.ini"
    vlan_start_emulator 1 "$WORK/segment1.ini" "$WORK/segment1.log" || wine_fail "cannot start the emulator"
}

gui__on_exit() {
    local status=$? log
    [ -n "$GUI_APP_PID" ] && kill "$GUI_APP_PID" 2>/dev/null
    wine_server_stop
    wine_stop_xvfb
    if [ "$status" -ne 0 ]; then
        for log in "$WORK"/*.log "$WORK"/*.err; do
            [ -s "$log" ] && { echo "----- $(basename "$log")" >&2; tail -n 25 "$log" | cut -c1-200 >&2; }
        done
    fi
    vlan_destroy
    rm -rf -- "$WORK"
    exit "$status"
}

gui_start_display() {
    wine_start_xvfb vlan_client_exec
    wine_server_start vlan_client_exec
}

drv() { vlan_client_exec timeout -k 5 180 wine "$GUI_DRIVER" "$@" 2>>"$WORK/driver.err" | tr -d '\r'; }

gui_row_of() { drv list-rows 1000 | awk -F'\t' -v a="$1" '$2 == a { print NR - 1; exit }'; }

gui_choose() {
    drv --timeout 60 click 1002 >/dev/null || wine_fail "Refresh failed"
    local row
    row=$(gui_row_of "$1")
    [ -n "$row" ] || wine_fail "$1 is not listed: $(drv list-rows 1000)"
    drv --timeout 60 click-row 1000 "$row" >/dev/null || wine_fail "cannot click $1"
}

gui_expect_message() {
    drv --timeout 120 messagebox >"$WORK/box.txt" || wine_fail "no message box (expected '$2')"
    printf 'caption=%s\ntext=%s\n' "$1" "$2" >"$WORK/box.want"
    diff -u "$WORK/box.want" "$WORK/box.txt" || wine_fail "unexpected message box"
    drv answer-messagebox >/dev/null || wine_fail "cannot close the message box"
}
