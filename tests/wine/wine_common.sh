# Shared by the wine-tier scripts: one cached Wine prefix, used by one script at a time, and a
# wineserver that always lives in the test's own network namespace: Wine makes every socket in
# the wineserver, so its namespace decides where a Windows program's datagrams go. The scripts
# start it only in the namespace they prepared, check that it runs there, and stop it on leaving.

WINE_COMMON_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE_SERVER_PID=
WINE_SERVER_JOB=
XVFB_PID=
# A hung Windows program must fail the test before CTest's limit, so the cleanup still runs.
WINE_PROGRAM_TIMEOUT=${WINE_PROGRAM_TIMEOUT:-120}

wine_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# wine_use_prefix DIR: the environment every wine call of the script runs with.
wine_use_prefix() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    # No Mono or Gecko: their installers would go looking for a download.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine's X11 driver is not needed by console programs; keep it from looking for a display.
    unset DISPLAY
    command -v wine >/dev/null || wine_fail "wine is not installed (apt-get install wine wine64)"
    command -v wineserver >/dev/null || wine_fail "wineserver is not installed"
}

# wine_lock_prefix: holds the prefix until the script exits: no two runs share one wineserver.
wine_lock_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")" || wine_fail "cannot create $(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock" || wine_fail "cannot open $WINEPREFIX.lock"
    flock -w 600 9 || wine_fail "the Wine prefix $WINEPREFIX stayed busy for 10 minutes"
    # A server still up for this prefix is someone else's: wait for it, never stop it.
    timeout 60 wineserver -w ||
        wine_fail "a wineserver for $WINEPREFIX is still running (another wine session?)"
}

# wine_prepare_prefix: creates the locked prefix once, in a namespace of the caller's making.
wine_prepare_prefix() {
    local ready="$WINEPREFIX/.vidudi-ready"
    [ -f "$ready" ] && return 0
    echo "-- preparing Wine prefix $WINEPREFIX" >&2
    # A half-made prefix from an interrupted run is started over; anything else is not ours.
    if [ -d "$WINEPREFIX" ] && [ -n "$(ls -A "$WINEPREFIX")" ]; then
        [ -f "$WINEPREFIX/system.reg" ] || [ -f "$WINEPREFIX/.update-timestamp" ] ||
            wine_fail "$WINEPREFIX exists and is not a Wine prefix; not touching it"
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX" || wine_fail "cannot create $WINEPREFIX"
    wine_server_start
    wineboot -i >/dev/null 2>&1 || wine_fail "wineboot -i failed for $WINEPREFIX"
    # Xvfb has no window manager; unmanaged windows keep Wine from waiting on every hide.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
        wine_fail "cannot set the X11 driver to unmanaged windows"
    wine_server_stop
    touch "$ready"
}

# A child that has exited but is not yet reaped still answers kill -0.
wine_alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

# wine_server_start [NSEXEC...]: starts the wineserver through NSEXEC (e.g. vlan_client_exec;
# none: the script's own namespace) and makes sure it runs in that namespace.
wine_server_start() {
    local want pidfile tries=0
    want=$("$@" readlink /proc/self/ns/net) || wine_fail "cannot read the target network namespace"
    pidfile=$(mktemp "${TMPDIR:-/tmp}/vidudi-wineserver.XXXXXX") || wine_fail "no temporary file"
    # The shell tells its id and becomes the server, so the id is the server's.
    "$@" sh -c 'echo $$ >"$1"; exec wineserver -f -p' wineserver-start "$pidfile" &
    WINE_SERVER_JOB=$!
    until [ -s "$pidfile" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { rm -f "$pidfile"; wine_fail "wineserver did not start"; }
        sleep 0.1
    done
    WINE_SERVER_PID=$(cat "$pidfile")
    rm -f "$pidfile"
    tries=0
    # The server is ready when its socket exists in its working directory (the server dir).
    until [ -S "/proc/$WINE_SERVER_PID/cwd/socket" ]; do
        wine_alive "$WINE_SERVER_PID" || wine_fail "wineserver did not start for $WINEPREFIX" \
            "(is another wineserver running for it?)"
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || wine_fail "wineserver for $WINEPREFIX did not become ready in 10 s"
        sleep 0.1
    done
    local have
    have=$(readlink "/proc/$WINE_SERVER_PID/ns/net")
    if [ "$have" != "$want" ]; then
        wine_server_stop
        wine_fail "wineserver runs in network namespace $have, expected $want"
    fi
}

# wine_server_stop: ends the prefix's processes (all this script's) and waits for its server.
wine_server_stop() {
    [ -n "$WINE_SERVER_JOB" ] || return 0
    if [ -n "$WINE_SERVER_PID" ]; then
        wineserver -k >/dev/null 2>&1
        local tries=0
        while wine_alive "$WINE_SERVER_PID" && [ "$tries" -lt 100 ]; do
            sleep 0.1
            tries=$((tries + 1))
        done
        # Our own server: if it ignored -k for 10 s, end it by its id.
        wine_alive "$WINE_SERVER_PID" && kill -KILL "$WINE_SERVER_PID" 2>/dev/null
    fi
    wait "$WINE_SERVER_JOB" 2>/dev/null
    WINE_SERVER_JOB=
    WINE_SERVER_PID=
}

# wine_require_file PATH WHAT: a missing artifact of the Windows build is a clear failure.
wine_require_file() {
    [ -f "$1" ] || wine_fail "$2 not found at $1; build the Windows flavour first (cmake --preset windows)"
}

# wine_isolate SCRIPT ARGS...: the script again in a namespace without interfaces (77: no root).
wine_isolate() {
    [ -n "${VIDUDI_WINE_ISOLATED:-}" ] && return 0
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace (unshare --net); skipped" >&2; exit 77; }
    exec unshare --net env VIDUDI_WINE_ISOLATED=1 "$@"
}

# wine_ensure_prefix: makes the locked prefix on first use, in a namespace with no network.
wine_ensure_prefix() {
    [ -f "$WINEPREFIX/.vidudi-ready" ] && return 0
    unshare --net bash -c ". '$WINE_COMMON_DIR/wine_common.sh'; wine_use_prefix '$WINEPREFIX';
        trap wine_server_stop EXIT; wine_prepare_prefix" || wine_fail "could not prepare the Wine prefix $WINEPREFIX"
}

# wine_start_xvfb [NSEXEC...]: an X server of our own through NSEXEC (a screen of
# WINE_XVFB_SCREEN, 1024x768x24 unless set); wine_stop_xvfb ends it.
wine_start_xvfb() {
    command -v Xvfb >/dev/null || wine_fail "Xvfb is not installed (apt-get install xvfb)"
    local display=$((90 + $$ % 400)) tries
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    "$@" Xvfb ":$display" -screen 0 "${WINE_XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for tries in $(seq 100); do [ -S "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    [ -S "/tmp/.X11-unix/X$display" ] || wine_fail "Xvfb did not start"
    export DISPLAY=":$display"
}

wine_stop_xvfb() {
    [ -n "$XVFB_PID" ] || return 0
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
