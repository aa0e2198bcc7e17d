#!/bin/bash
# Runs one Windows GoogleTest executable under Wine.
#
#   run_windows_tests.sh [--display] PREFIX EXE [GTEST ARGS...]
#
# The test executables open no sockets; they still run in a network namespace of their own with
# no interfaces at all, so nothing they or Wine do can reach a network. With --display the
# program gets a private Xvfb display (in that namespace too) for the windows it opens.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"

display=()
if [ "${1:-}" = --display ]; then
    command -v xvfb-run >/dev/null || wine_fail "xvfb-run is not installed (apt-get install xvfb)"
    display=(xvfb-run -a)
    shift
fi
[ $# -ge 2 ] || wine_fail "usage: $0 [--display] PREFIX EXE [GTEST ARGS...]"
prefix=$1
exe=$2
shift 2
wine_require_file "$exe" "$(basename "$exe")"

wine_isolate "$0" ${display:+--display} "$prefix" "$exe" "$@"

wine_use_prefix "$prefix"
wine_lock_prefix
trap wine_server_stop EXIT
wine_prepare_prefix
wine_server_start

cd "$(dirname "$exe")" || wine_fail "cannot enter $(dirname "$exe")"
timeout -k 5 "$WINE_PROGRAM_TIMEOUT" "${display[@]}" wine "$(basename "$exe")" --gtest_color=no "$@"
status=$?
[ "$status" -eq 0 ] || echo "FAIL: $(basename "$exe") under Wine exited with $status" >&2
exit "$status"
