#!/bin/bash
# Vidudi.exe at 150 % (LogPixels 144) under Wine, read with the UI driver: the window is
# 1201 x 888 pixels and every control stands at its 96-DPI rectangle x 1.5 (edges scaled and
# truncated, so that what lines up at 96 DPI still does), the list columns likewise; both
# programs declare per-monitor DPI awareness in their manifests.
#
#   gui_dpi_test.sh WINDOWS_BUILD_DIR NAS_EMULATOR PREFIX   (a prefix of its own: it sets LogPixels)
# With VIDUDI_SHOT_DIR set, a screenshot is saved there as issue19-dpi144.png.
set -u -o pipefail
. "$(dirname "$0")/gui_common.sh"
gui_begin "$@"
for program in "$GUI_APP_DIR/Vidudi.exe" "$GUI_WINDOWS/tools/vidudi-cli/vidudi-cli.exe"; do
    grep -q "PerMonitorV2" "$program" || wine_fail "$(basename "$program") declares no per-monitor DPI awareness"
done
gui_one_adapter
WINE_XVFB_SCREEN=1280x960x24 gui_start_display  # room for the whole window
vlan_client_exec wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 ||
    wine_fail "cannot set LogPixels"

(cd "$GUI_APP_DIR" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >"$work/program.log" 2>&1 &
GUI_APP_PID=$!
drv --timeout 60 wait-window >"$work/window.txt" || wine_fail "the main window did not appear"
drv --timeout 60 wait-idle || wine_fail "the first search did not end"
read -r _ _ _ width height <"$work/window.txt"
[ "$width $height" = "1201 888" ] || wine_fail "the window is $width x $height at 144 DPI, expected 1201 x 888"
drv rects >"$work/rects.txt" || wine_fail "cannot read the controls"

# The 96-DPI layout: id left top width height (65535: "Host Name:", which has no id). Drop-down
# lists are compared without their height, which Windows sets from the font.
cat >"$work/layout96.txt" <<'TXT'
1021 43 240 114 20
1002 43 238 114 20
1008 43 354 114 20
1042 43 267 114 20
1043 43 296 114 20
1044 43 325 114 20
1045 43 383 114 20
1009 43 412 114 20
1000 216 186 432 220
65535 256 216 120 30
1016 376 213 160 26
1031 256 266 120 30
1017 376 263 160 26
1030 560 265 79 21
1032 256 216 120 30
1015 376 212 160 -
1033 256 266 120 30
1006 376 263 160 26
1034 256 316 120 30
1010 376 313 160 26
1035 256 366 120 30
1011 376 363 160 26
1007 560 365 79 21
1001 216 186 329 220
1036 570 191 120 17
1013 570 214 140 -
1003 600 264 79 21
1004 600 299 79 21
1050 216 406 432 13
1038 286 208 300 30
1040 286 248 300 30
1039 286 288 300 30
columns 1000 110 106 106 106
columns 1001 185 140
TXT
python3 - "$work/layout96.txt" "$work/rects.txt" <<'PY' || wine_fail "the layout at 144 DPI is not the 96-DPI one x 1.5"
import sys
scale = lambda v: v * 144 // 96
got = {}
for line in open(sys.argv[2]):
    words = line.split()
    got[(words[0], words[1]) if words[0] == "columns" else words[0]] = words
bad = []
for line in open(sys.argv[1]):
    words = line.split()
    if words[0] == "columns":
        want = ["columns", words[1]] + [str(scale(int(w))) for w in words[2:]]
        have = got.get(("columns", words[1]))
    else:
        left, top, width = map(int, words[1:4])
        want = [words[0], str(scale(left)), str(scale(top)), str(scale(left + width) - scale(left))]
        if words[4] != "-":
            want.append(str(scale(top + int(words[4])) - scale(top)))
        have = got.get(words[0], [])[:len(want)]
    if have != want:
        bad.append(f"{' '.join(have or ['missing'])}, expected {' '.join(want)}")
print("\n".join(bad), file=sys.stderr)
sys.exit(1 if bad else 0)
PY
if [ -n "${VIDUDI_SHOT_DIR:-}" ]; then
    vlan_client_exec import -window root -crop 1201x888+0+0 "$VIDUDI_SHOT_DIR/issue19-dpi144.png" 2>/dev/null
fi
drv click 1009 >/dev/null
drv --timeout 20 wait-gone || wine_fail "Exit did not end the program"
wait "$GUI_APP_PID" 2>/dev/null
GUI_APP_PID=""
echo "PASS: at 144 DPI the window is 1201 x 888 and every control is its 96-DPI rectangle x 1.5"
