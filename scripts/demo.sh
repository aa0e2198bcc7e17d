#!/usr/bin/env bash
# The demo, as root on a fresh Debian machine: installs what is missing, builds, brings up a
# virtual LAN of network namespaces with five emulated adapters on two segments, runs
# `vidudi list` on a client that has one interface on each segment, then opens the Windows
# program's window under Wine on the same client, and then vidudi-gui, the Linux window: on your
# display when there is one (close the window to go on), otherwise on a virtual one, saving a
# screenshot. Then it tears it all down. Nothing is sent on the machine's own network: everything runs inside the namespaces.
#
#   scripts/demo.sh                   install, build the native and windows presets, run
#   scripts/demo.sh --build-dir DIR   build the native configuration into DIR instead
#   scripts/demo.sh --no-build        use what an earlier build left (with --build-dir too)
#   scripts/demo.sh --no-window       only the command line
set -euo pipefail
user_display=${DISPLAY:-}  # the Wine set-up below clears DISPLAY
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build_dir=build/native
build=yes
window=yes
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build_dir=${2:?--build-dir needs a folder}; shift 2 ;;
        --no-build) build=no; shift ;;
        --no-window) window=no; shift ;;
        *) echo "usage: scripts/demo.sh [--build-dir DIR] [--no-build] [--no-window]" >&2; exit 2 ;;
    esac
done

if [ "$(id -u)" -ne 0 ]; then
    echo "demo.sh: run as root: the demo builds a virtual LAN of network namespaces" >&2
    exit 1
fi

if [ "$build" = yes ]; then
    scripts/install-deps.sh
    echo "=== building"
    if [ "$build_dir" = build/native ]; then
        cmake --preset native >/dev/null
        cmake --build --preset native
    else
        cmake --preset native -B "$build_dir" >/dev/null
        cmake --build "$build_dir"
    fi
    if [ "$window" = yes ]; then
        cmake --preset windows >/dev/null
        cmake --build --preset windows
    fi
fi
windows_dir=$root/build/windows
if [ "$window" = yes ] && [ ! -f "$windows_dir/src/app/Vidudi.exe" ]; then
    echo "demo.sh: $windows_dir/src/app/Vidudi.exe is missing: build the windows preset (or --no-window)" >&2
    exit 1
fi
VIDUDI=$root/$build_dir/tools/vidudi-cli/vidudi
NAS_EMULATOR=$root/$build_dir/tools/nas-emulator/nas-emulator
for program in "$VIDUDI" "$NAS_EMULATOR"; do
    [ -x "$program" ] || { echo "demo.sh: $program is missing: build first" >&2; exit 1; }
done
export NAS_EMULATOR

# shellcheck source=../tests/lan/vlan.sh
source tests/lan/vlan.sh
set +e  # from here on the LAN's own checks report; the trap removes the LAN on any exit
vlan_create || exit 1

# One emulator per segment, each with the adapters of demo-devices.ini on that segment.
devices=tests/lan/demo-devices.ini
echo "=== virtual LAN $VLAN_ID"
for segment in 1 2; do
    vlan_add_segment $segment || exit 1
    address=$(vlan_add_client_iface $segment) || exit 1
    echo "segment $segment: 10.77.$segment.0/24, client address $address"
    awk -v prefix="10.77.$segment." '
        /^[ \t]*\[device\]/ { if (keep) printf "%s", section; section = ""; keep = 0 }
        /^[ \t]*address[ \t]*=/ { value = $0; sub(/^[^=]*=[ \t]*/, "", value); keep = index(value, prefix) == 1 }
        { section = section $0 "\n" }
        END { if (keep) printf "%s", section }
    ' "$devices" >"$VLAN_DIR/segment$segment.ini"
    vlan_start_emulator $segment "$VLAN_DIR/segment$segment.ini" "$VLAN_DIR/segment$segment.log" || exit 1
    sed -n 's/^[0-9]* device \([0-9.]*\) name=\([^ ]*\) form=\([27]\).*/  adapter \2 at \1 (reply form \3)/p' \
        "$VLAN_DIR/segment$segment.log"
done

echo
echo "=== vidudi list   (in the client namespace; one search of every local address at once, about one second)"
vlan_client_exec "$VIDUDI" list
status=$?
echo
echo "(Printer-2F answers with type codes 6 and 7, which are not a storage adapter's: not listed.)"

if [ "$window" = yes ]; then
    echo
    echo "=== Vidudi.exe under Wine   (in the client namespace; the window shows at once and lists the adapters when its first search ends)"
    source tests/wine/wine_common.sh
    wine_use_prefix "$windows_dir/wineprefix"
    wine_lock_prefix
    wine_ensure_prefix
    on_window_exit() {
        local code=$?
        [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null
        wine_server_stop
        wine_stop_xvfb
        vlan_destroy
        exit "$code"
    }
    trap on_window_exit EXIT
    driver=(vlan_client_exec timeout -k 5 120 wine "$windows_dir/tests/wine/ui_driver/vidudi-ui-driver.exe")
    if [ -n "$user_display" ] && DISPLAY=$user_display xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=$user_display
        wine_server_start vlan_client_exec
        echo "the window opens on $DISPLAY; close it to end the demo"
        (cd "$windows_dir/src/app" && ip netns exec "$(vlan__client)" wine Vidudi.exe)
    else
        wine_start_xvfb vlan_client_exec
        wine_server_start vlan_client_exec
        (cd "$windows_dir/src/app" && exec ip netns exec "$(vlan__client)" wine Vidudi.exe) >/dev/null 2>&1 &
        program_pid=$!
        "${driver[@]}" --timeout 60 wait-window >/dev/null || { echo "the window did not appear" >&2; exit 1; }
        "${driver[@]}" --timeout 60 wait-idle || { echo "the first search did not end" >&2; exit 1; }
        echo "rows of the window's device list:"
        "${driver[@]}" list-rows 1000 | tr -d '\r' | sed 's/^/  /; s/\t/  /g'
        shot=$windows_dir/demo-window.png
        vlan_client_exec import -window root -crop 801x592+0+0 "$shot" && echo "no display here: screenshot of the window saved to $shot"
        "${driver[@]}" click 1009 >/dev/null
        wait "$program_pid" 2>/dev/null
        program_pid=""
    fi
    wine_server_stop
    wine_stop_xvfb
fi

# The Linux window beside it, on the same client.
gui=$root/$build_dir/src/app/vidudi-gui
if [ "$window" = yes ] && [ -x "$gui" ]; then
    echo
    echo "=== vidudi-gui   (the window on the Linux desktop, in the client namespace)"
    if [ -n "$user_display" ] && DISPLAY=$user_display xdpyinfo >/dev/null 2>&1; then
        echo "the window opens on $user_display; close it to end the demo"
        DISPLAY=$user_display vlan_client_exec "$gui"
    else
        display=$((90 + $$ % 400))
        while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
        # Both end with the LAN: vlan_destroy stops what runs in its namespaces.
        vlan_client_exec Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
        DISPLAY=:$display vlan_client_exec "$gui" >/dev/null 2>&1 &
        sleep 5  # the first search of both segments takes about two seconds
        shot=$root/$build_dir/demo-gui-window.png
        DISPLAY=:$display import -window root -crop 801x592+0+0 "$shot" &&
            echo "no display here: screenshot of the window saved to $shot"
    fi
fi

echo "=== tearing down the virtual LAN"
vlan_destroy
echo "done"
exit $status
