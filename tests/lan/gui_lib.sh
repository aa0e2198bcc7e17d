# Helpers of the tests that run vidudi-gui (source after lan_lib.sh, after lan_init):
#   gui_desktop             an X server, a session bus (the accessibility bus starts from it) and a
#                           runtime folder, in the client namespace; $WORK/bin first in the
#                           program's PATH for stand-ins
#   gui_start PROGRAM       starts it there with accessibility on (GUI_PID)
#   gui_drv COMMAND [ARGS...]   atspi_driver.py on it; gui_idle: until the status line is empty;
#   gui_row_of ADDRESS      its row in the device list; gui_shot NAME: a screenshot with VIDUDI_SHOTS
#   gui_expect_message CAPTION TEXT [SHOT]: the open message box, then its OK

gui_desktop() {
    local tool display
    for tool in Xvfb dbus-daemon xdotool import; do
        command -v "$tool" >/dev/null || lan_fail "$tool is missing: run scripts/install-deps.sh"
    done
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || lan_fail "python3-pyatspi is missing: run scripts/install-deps.sh"
    # The server picks a free display itself and writes its number: no two tests share one.
    vlan_client_exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    display=$(tr -dc 0-9 <"$WORK/display")
    [ -n "$display" ] && [ -S "/tmp/.X11-unix/X$display" ] || lan_fail "Xvfb did not start"
    export DISPLAY=:$display XDG_RUNTIME_DIR=$WORK/run
    mkdir -p "$XDG_RUNTIME_DIR/gvfs" "$WORK/bin" && chmod 700 "$XDG_RUNTIME_DIR"
    vlan_client_exec dbus-daemon --session --address="unix:path=$WORK/bus" --fork >/dev/null || lan_fail "no session bus"
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/bus QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

gui_start() {
    # Its own process id, which the driver finds it by: ip and env give way to it. What runs
    # in the client namespace ends with it (vlan_destroy).
    (exec ip netns exec "$(vlan__client)" env PATH="$WORK/bin:$PATH" "$1" >"$WORK/gui.log" 2>&1) &
    GUI_PID=$!
    echo "$GUI_PID vidudi-gui" >>"$VLAN_DIR/pids"
}

gui_drv() { vlan_client_exec /usr/bin/python3 "$LAN_TESTS_DIR/atspi_driver.py" "$GUI_PID" "$@" 2>>"$WORK/driver.err"; }

gui_idle() { for _ in $(seq 300); do [ -z "$(gui_drv text 1050)" ] && return 0; sleep 0.1; done; return 1; }

gui_row_of() { gui_drv list-rows 1000 | awk -F'\t' -v a="$1" '$2 == a { print NR - 1; exit }'; }

gui_shot() {
    [ -n "${VIDUDI_SHOTS:-}" ] || return 0
    sleep 0.5  # the window repaints
    mkdir -p "$VIDUDI_SHOTS" && import -window root "$VIDUDI_SHOTS/vidudi-gui-$1.png"
}

gui_expect_message() {
    gui_drv messagebox >"$WORK/box.txt" || lan_fail "no message box (expected '$2')"
    printf 'caption=%s\ntext=%s\n' "$1" "$2" | lan_expect_same "the message box" - "$WORK/box.txt"
    [ -z "${3:-}" ] || gui_shot "$3"
    gui_drv answer-messagebox || lan_fail "cannot close the message box"
}
