#!/bin/bash
# The main window's controls sit where the win32 build puts them: every control's rectangle in
# the client area, from Vidudi.exe under Wine (UI driver) and from vidudi-gui (accessibility
# tree, each section shown in turn), compared. Every control must show in vidudi-gui but those
# Linux never shows; left, top and width must agree; heights too, but for the drop-down lists,
# whose closed height is the toolkit's own. Every difference is printed.
#
#   gui_rects_test.sh WINDOWS_BUILD_DIR VIDUDI_GUI NAS_EMULATOR PREFIX
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lan/lan_lib.sh"
. "$here/wine_common.sh"
[ $# -ge 4 ] || wine_fail "usage: $0 WINDOWS_BUILD_DIR VIDUDI_GUI NAS_EMULATOR PREFIX"
VIDUDI_GUI=$2
[ -x "$VIDUDI_GUI" ] || wine_fail "vidudi-gui not found at $VIDUDI_GUI"
. "$here/gui_common.sh"
gui_begin "$1" "$3" "$4"
LAN_TEST_NAME=gui_rects
vlan_add_segment 1 && vlan_add_client_iface 1 >/dev/null || wine_fail "cannot add the segment"
lan_ini "$WORK/s1.ini" "name=NAS-ONE;address=10.77.1.10;gateway=10.77.1.1;shares=public"
vlan_start_emulator 1 "$WORK/s1.ini" "$WORK/s1.log" || wine_fail "cannot start the emulator"

# --- Vidudi.exe: every child window with an id, hidden ones too
gui_start_display
(cd "$GUI_APP_DIR" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >"$WORK/program.log" 2>&1 &
GUI_APP_PID=$!
drv --timeout 60 wait-window >/dev/null || wine_fail "the main window did not appear"
drv wait-idle && drv rects >"$WORK/wine-all.txt" || wine_fail "no rectangles from Vidudi.exe"
# Controls with an id only (the driver also gives the label without one, the client size and columns).
awk '$1 ~ /^[0-9]+$/ && $1 != 65535' "$WORK/wine-all.txt" | sort -n >"$WORK/wine.txt"
drv --no-wait click 1009 >/dev/null; drv wait-gone || wine_fail "Vidudi.exe did not exit"
wait "$GUI_APP_PID" 2>/dev/null
GUI_APP_PID=""

# --- vidudi-gui: what each section shows
. "$here/../lan/gui_lib.sh"
gui_desktop
gui_start "$VIDUDI_GUI"
gui_drv wait-window >/dev/null || wine_fail "the window of vidudi-gui did not appear"
gui_idle || wine_fail "the first search of vidudi-gui did not end"
# Each section button, and a control that shows once its section does.
for section in 1042:1016 1043:1006 1044:1001 1045:1038 1002:1000; do
    gui_drv click "${section%:*}" || wine_fail "no section ${section%:*}"
    for _ in $(seq 100); do [ "$(gui_drv shown "${section#*:}")" = yes ] && break; sleep 0.1; done
    gui_idle && gui_drv rects >>"$WORK/qt.txt" || wine_fail "no rectangles in section ${section%:*}"
done
gui_drv click 1009

python3 - "$WORK/wine.txt" "$WORK/qt.txt" <<'EOF' || wine_fail "the controls are not where the win32 build puts them"
import sys
COMBOS = {1013, 1015}  # drop-down lists: the closed height is each toolkit's own
# Never shown on Linux: the drive letters (no letters there), and the Find Device button and the
# "NAS Device" label, which no section shows.
NEVER_SHOWN = {1013, 1036, 1021, 1041}
def read(path):
    rects = {}
    for line in open(path):
        id_, *box = map(int, line.split())
        rects.setdefault(id_, tuple(box))
    return rects
wine, qt = read(sys.argv[1]), read(sys.argv[2])
faults = 0
for id_ in sorted(wine.keys() | qt.keys()):
    w, q = wine.get(id_), qt.get(id_)
    if w is None or q is None:
        print("%d only %s: %s" % (id_, "under Wine" if q is None else "in vidudi-gui", w or q))
        faults += id_ not in NEVER_SHOWN
        continue
    if w != q:
        height_only = w[:3] == q[:3]
        print("%d differs: Wine %s, vidudi-gui %s%s" % (id_, w, q, " (height)" if height_only else ""))
        faults += not (height_only and id_ in COMBOS)
print("%d controls compared, %d faults" % (len(wine.keys() & qt.keys()), faults))
sys.exit(1 if faults else 0)
EOF
echo "PASS: the controls sit where the win32 build puts them"
