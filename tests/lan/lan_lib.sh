# Helpers of the lan tests (source it): bash TEST.sh VIDUDI NAS_EMULATOR builds its own virtual
# LAN with vlan.sh and leaves nothing behind however it ends.

LAN_TESTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=vlan.sh
source "$LAN_TESTS_DIR/vlan.sh"

lan_init() {  # checks the programs, brings up an empty LAN, sets WORK to its scratch folder
    VIDUDI=${1:-$VIDUDI}
    NAS_EMULATOR=${2:-$NAS_EMULATOR}
    [ -x "$VIDUDI" ] && [ -x "$NAS_EMULATOR" ] || { echo "usage: $0 VIDUDI NAS_EMULATOR [WINEPREFIX]" >&2; exit 2; }
    export NAS_EMULATOR
    vlan_create || exit 1
    WORK=$VLAN_DIR
    LAN_TEST_NAME=$(basename "$0" .sh)
    # `vidudi list` keeps its adapters for shell completion: in the run's folder, not in ~/.cache.
    export XDG_CACHE_HOME=$WORK/cache
}

# lan_init_program VIDUDI NAS_EMULATOR [WINEPREFIX]: lan_init, VIDUDI native or (with a prefix)
# the Windows build under Wine; "${RUN[@]}" ARGS... runs it in the client namespace, where the
# prefix's wineserver runs too (Wine makes its sockets there).
lan_init_program() {
    LAN_WINE_PREFIX=${3:-}
    [ -n "$LAN_WINE_PREFIX" ] || { lan_init "$1" "$2"; RUN=(vlan_client_exec "$VIDUDI"); return; }
    source "$LAN_TESTS_DIR/../wine/wine_common.sh"
    wine_use_prefix "$LAN_WINE_PREFIX"; wine_lock_prefix; wine_ensure_prefix
    [ -f "$1" ] || { echo "'$1' not found: build the windows preset" >&2; exit 1; }
    lan_init /bin/true "$2"  # lan_init wants an executable; the .exe is run by wine
    VIDUDI=$1
    lan__wine_exit() { local status=$?; wine_server_stop; (exit "$status"); vlan__on_exit; }
    trap lan__wine_exit EXIT
    wine_server_start vlan_client_exec
    RUN=(vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$VIDUDI")
}

# lan_ini FILE "key=value;key=value" ...: an emulator configuration, one device an argument
lan_ini() {
    local file=$1 device; shift
    for device in "$@"; do printf '[device]\n%s\n\n' "$(tr ';' '\n' <<<"$device" | sed 's/=/ = /')"; done >"$file"
}

# lan_lan SEGMENTS...: segments with one client interface each, an emulator on each with
# $WORK/sS.ini, logging to $WORK/sS.log
lan_lan() {
    local s
    for s in "$@"; do vlan_add_segment "$s" && vlan_add_client_iface "$s" >/dev/null || lan_fail "segment $s"; done
    for s in "$@"; do vlan_start_emulator "$s" "$WORK/s$s.ini" "$WORK/s$s.log" || lan_fail "emulator $s did not start"; done
}

# Prints the logs of the run, then ends the test.
lan_fail() {
    echo "FAIL ($LAN_TEST_NAME): $*" >&2
    local log
    for log in "$WORK"/*.log "$WORK"/*.log.out "$WORK"/*.out "$WORK"/*.err; do
        [ -s "$log" ] && { echo "----- $(basename "$log") (last 40 lines)"; tail -n 40 "$log" | cut -c1-240; } >&2
    done
    exit 1
}

# lan_expect_same WHAT EXPECTED_FILE|- ACTUAL_FILE
lan_expect_same() { diff -u "$2" "$3" >&2 || lan_fail "$1 differs from what was expected (- expected, + actual)"; }
lan_check() { python3 "$LAN_TESTS_DIR/lan_check.py" "$@" || lan_fail "lan_check.py $* failed"; }
lan_pass() { echo "PASS ($LAN_TEST_NAME)"; }
