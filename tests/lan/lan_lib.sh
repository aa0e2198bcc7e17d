# Helpers shared by the lan tests (source it). A test script is run as
#   bash TEST.sh VIDUDI NAS_EMULATOR
# builds its own virtual LAN with vlan.sh, and leaves nothing behind however it ends.

LAN_TESTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=vlan.sh
source "$LAN_TESTS_DIR/vlan.sh"

# Checks the programs, brings up an empty LAN, and sets WORK to its scratch folder.
lan_init() {
    VIDUDI=${1:-$VIDUDI}
    NAS_EMULATOR=${2:-$NAS_EMULATOR}
    [ -x "$VIDUDI" ] || { echo "usage: $0 VIDUDI NAS_EMULATOR (vidudi not found: '$VIDUDI')" >&2; exit 2; }
    [ -x "$NAS_EMULATOR" ] || { echo "usage: $0 VIDUDI NAS_EMULATOR (nas-emulator not found: '$NAS_EMULATOR')" >&2; exit 2; }
    command -v python3 >/dev/null || { echo "python3 is missing" >&2; exit 2; }
    export NAS_EMULATOR
    vlan_create || exit 1
    WORK=$VLAN_DIR
    LAN_TEST_NAME=$(basename "$0" .sh)
}

# lan_init_program VIDUDI NAS_EMULATOR [WINEPREFIX]: lan_init for a test that runs VIDUDI
# natively or, given a Wine prefix, as the Windows build under Wine. Afterwards
# "${RUN[@]}" ARGS... runs it in the client namespace. Under Wine the prefix's wineserver runs
# there too: Wine makes its sockets in the wineserver.
lan_init_program() {
    LAN_WINE_PREFIX=${3:-}
    if [ -z "$LAN_WINE_PREFIX" ]; then
        lan_init "$1" "$2"
        RUN=(vlan_client_exec "$VIDUDI")
        return
    fi
    source "$LAN_TESTS_DIR/../wine/wine_common.sh"
    wine_use_prefix "$LAN_WINE_PREFIX"
    wine_lock_prefix
    wine_ensure_prefix
    [ -f "$1" ] || { echo "'$1' not found: build the windows preset" >&2; exit 1; }
    lan_init /bin/true "$2"  # lan_init wants an executable; the .exe is run by wine
    VIDUDI=$1
    lan__wine_exit() {
        local status=$?
        wine_server_stop
        (exit "$status")
        vlan__on_exit
    }
    trap lan__wine_exit EXIT
    wine_server_start vlan_client_exec
    RUN=(vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$VIDUDI")
}

# Prints the logs of the run (the test's output is shown when it fails), then ends the test.
lan_fail() {
    echo "FAIL ($LAN_TEST_NAME): $*" >&2
    local log
    for log in "$WORK"/*.log "$WORK"/*.log.out "$WORK"/*.out "$WORK"/*.err; do
        [ -s "$log" ] || continue
        echo "----- $(basename "$log") (last 40 lines)" >&2
        tail -n 40 "$log" | cut -c1-240 >&2
    done
    exit 1
}

# lan_expect_same WHAT EXPECTED_FILE ACTUAL_FILE
lan_expect_same() {
    if ! diff -u "$2" "$3" >"$WORK/diff.txt"; then
        cat "$WORK/diff.txt" >&2
        lan_fail "$1 differs from what was expected (- expected, + actual)"
    fi
}

# Runs vidudi with the arguments in the client namespace; stdout to FILE, stderr to FILE.err.
# Fails the test when it does not end with status 0 (a crash ends with a signal status).
lan_vidudi() {
    local out=$1 status=0
    shift
    vlan_client_exec "$VIDUDI" "$@" >"$out" 2>"$out.err" || status=$?
    [ "$status" = 0 ] || lan_fail "vidudi $* ended with status $status"
}

lan_check() { python3 "$LAN_TESTS_DIR/lan_check.py" "$@" || lan_fail "lan_check.py $* failed"; }

lan_pass() {
    echo "PASS ($LAN_TEST_NAME)"
}
