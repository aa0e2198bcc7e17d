#!/bin/bash
# The Windows version name through the real GetVersionExA: Wine pretends to be each version in
# turn for the probe program alone (its AppDefaults key), and the probe prints the name.
#
#   windows_version_test.sh PREFIX PROBE_EXE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"

[ $# -eq 2 ] || wine_fail "usage: $0 PREFIX PROBE_EXE"
prefix=$1
exe=$2
wine_require_file "$exe" "$(basename "$exe")"

if [ -z "${VIDUDI_WINE_ISOLATED:-}" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "needs root for a private network namespace (unshare --net); skipped" >&2
        exit 77
    fi
    exec unshare --net env VIDUDI_WINE_ISOLATED=1 "$0" "$prefix" "$exe"
fi

key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$exe")"

cleanup() {
    wine reg delete "$key" /f >/dev/null 2>&1
    wine_server_stop
}

wine_use_prefix "$prefix"
wine_lock_prefix
trap cleanup EXIT
wine_prepare_prefix
wine_server_start
cd "$(dirname "$exe")" || wine_fail "cannot enter $(dirname "$exe")"

# Wine's version|the name the program gives it: one of each family, read from the real record
# (the table's edges are the unit test's)
expectations=(
    "win98|Windows 98 SE"   # Wine reports 4.10 build 2222: past the 98 SP1 builds
    "winxp|Windows XP"
    # Like Windows itself, Wine tells a program without a compatibility manifest (ours have
    # none) that Windows 8 and later are 6.2.
    "win10|Vista"
)

failures=0
for expectation in "${expectations[@]}"; do
    version=${expectation%%|*}
    want=${expectation#*|}
    wine reg add "$key" /v Version /d "$version" /f >/dev/null 2>&1 ||
        wine_fail "cannot set the Windows version $version for $(basename "$exe")"
    output=$(timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$(basename "$exe")" 2>/dev/null)
    status=$?
    output=$(printf '%s\n' "$output" | tr -d '\r')
    name=$(printf '%s\n' "$output" | sed -n 1p)
    record=$(printf '%s\n' "$output" | sed -n 2p)
    if [ "$status" -ne 0 ]; then
        echo "FAIL: $version: the probe exited with $status" >&2
        failures=$((failures + 1))
        continue
    fi
    if [ "$name" = "$want" ]; then
        echo "ok: $version: \"$name\" ($record)"
    else
        echo "FAIL: $version: \"$name\" ($record), expected \"$want\"" >&2
        failures=$((failures + 1))
    fi
done

# The text and drive-type services on the same system, with the Western European code page:
# letters it lacks become '?', never a look-alike (Ł is not L), and a long name is cut to 131.
lines=$(LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$(basename "$exe")" \
    2>/dev/null | tr -d '\r')
want_ansi="ansi: 46 6f 74 f3 20 3f f3 64 3f, long 131"
want_drives="drives: C: 3, Z: 3, Q: 1"
for want in "$want_ansi" "$want_drives"; do
    if printf '%s\n' "$lines" | grep -qxF "$want"; then
        echo "ok: $want"
    else
        echo "FAIL: expected \"$want\" in:" >&2
        printf '%s\n' "$lines" >&2
        failures=$((failures + 1))
    fi
done

[ "$failures" -eq 0 ] || exit 1
echo "PASS: version names under Wine"
