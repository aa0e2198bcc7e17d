#!/usr/bin/env bash
# The demo, as root on a fresh Debian machine: installs what is missing, builds, brings up a
# virtual LAN of network namespaces with five emulated adapters on two segments, runs
# `vidudi list` on a client that has one interface on each segment, and tears it all down.
# Nothing is sent on the machine's own network: everything runs inside the namespaces.
#
#   scripts/demo.sh                   install, build the native preset, run
#   scripts/demo.sh --build-dir DIR   build the native configuration into DIR instead
#   scripts/demo.sh --no-build        use what an earlier build left (with --build-dir too)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build_dir=build/native
build=yes
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build_dir=${2:?--build-dir needs a folder}; shift 2 ;;
        --no-build) build=no; shift ;;
        *) echo "usage: scripts/demo.sh [--build-dir DIR] [--no-build]" >&2; exit 2 ;;
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
echo "=== vidudi list   (in the client namespace; about one second per local address)"
vlan_client_exec "$VIDUDI" list
status=$?
echo
echo "(Printer-2F answers with type codes 6 and 7, which are not a storage adapter's: not listed.)"
echo "=== tearing down the virtual LAN"
vlan_destroy
echo "done"
exit $status
