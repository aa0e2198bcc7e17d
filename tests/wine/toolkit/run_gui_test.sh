#!/bin/bash
# Runs one Windows GoogleTest executable that opens windows: under Wine, on a private Xvfb
# display, in a network namespace of its own with no interfaces.
#
#   run_gui_test.sh PREFIX EXE [GTEST ARGS...]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/wine_common.sh"

[ $# -ge 2 ] || wine_fail "usage: $0 PREFIX EXE [GTEST ARGS...]"
prefix=$1
exe=$2
shift 2
wine_require_file "$exe" "$(basename "$exe")"
command -v xvfb-run >/dev/null || wine_fail "xvfb-run is not installed (apt-get install xvfb)"

if [ -z "${VIDUDI_WINE_ISOLATED:-}" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "needs root for a private network namespace (unshare --net); skipped" >&2
        exit 77
    fi
    exec unshare --net env VIDUDI_WINE_ISOLATED=1 "$0" "$prefix" "$exe" "$@"
fi

wine_use_prefix "$prefix"
wine_lock_prefix
trap wine_server_stop EXIT
wine_prepare_prefix
wine_server_start

cd "$(dirname "$exe")" || wine_fail "cannot enter $(dirname "$exe")"
# The X server lives in this namespace too: its sockets are local to it.
timeout -k 5 "$WINE_PROGRAM_TIMEOUT" xvfb-run -a wine "$(basename "$exe")" --gtest_color=no "$@"
status=$?
[ "$status" -eq 0 ] || echo "FAIL: $(basename "$exe") under Wine exited with $status" >&2
exit "$status"
