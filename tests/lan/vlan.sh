# Virtual LAN of network namespaces for the lan tests, the benchmark and the demo (source it).
# Nothing lives in the machine's own namespace: a hub namespace holds a bridge per segment, the
# client namespace the client's interfaces, each segment with adapters a device namespace; veth
# pairs are made inside them, so deleting the namespaces removes every link. Names carry the
# process id, so parallel runs never meet.
#   vlan_create                       new LAN (sets VLAN_ID, VLAN_DIR) and the cleanup trap
#   vlan_add_segment S                segment S is 10.77.S.0/24
#   vlan_add_client_iface S           one more client interface on S; prints its address
#                                     (10.77.S.2, 10.77.S.3, ... in call order)
#   vlan_start_emulator S CONFIG LOG  runs $NAS_EMULATOR with CONFIG in the device namespace of S
#   vlan_client_exec CMD...           runs CMD in the client namespace
#   vlan_segment_exec S CMD...        runs CMD in the device namespace of S (made when needed)
#   vlan_destroy                      stops what was started, deletes the namespaces
# State is in files under VLAN_DIR (the functions work in $(...)); VLAN_KEEP_DIR=1 keeps it.

VLAN_ID=""
VLAN_DIR=""
VLAN_READY_TIMEOUT_S=${VLAN_READY_TIMEOUT_S:-10}

vlan__die() { echo "vlan: $*" >&2; return 1; }

# Exit status 77 tells CTest the test was skipped.
vlan_require_root() {
    [ "$(id -u)" = 0 ] || { echo "vlan: the virtual LAN needs root (network namespaces); skipped" >&2; exit 77; }
    command -v ip >/dev/null || { echo "vlan: ip (iproute2) is missing" >&2; exit 1; }
}

# Inside a namespace of ours the network namespace differs from the machine's own: that of
# process 1 where it can be read (some sandboxes hide it), and the one vlan_create ran in.
vlan_assert_not_root_netns() {
    local own=$(readlink /proc/self/ns/net 2>/dev/null) init=$(readlink /proc/1/ns/net 2>/dev/null) known=""
    if [ -n "$own" ] && [ -n "$init" ]; then
        [ "$own" != "$init" ] && known=yes || known=no
    fi
    if [ -n "$own" ] && [ -n "${VLAN_ROOT_NETNS:-}" ] && [ "$known" != no ]; then
        [ "$own" != "$VLAN_ROOT_NETNS" ] && known=yes || known=no
    fi
    [ "$known" = yes ] || { echo "vlan: refusing to run in the machine's own network namespace" >&2; return 1; }
}

vlan__hub() { echo "${VLAN_ID}-hub"; }
vlan__client() { echo "${VLAN_ID}-cl"; }
vlan__devns() { echo "${VLAN_ID}-s$1"; }

vlan__ns_exists() { [ -e "/run/netns/$1" ]; }

vlan__new_ns() {
    ip netns add "$1" || return 1
    echo "$1" >>"$VLAN_DIR/namespaces"
    ip -n "$1" link set lo up || return 1
    # No IPv6 chatter on the test links, and no reverse-path filter: a client with two
    # interfaces on one network must take the group's datagrams on both.
    ip netns exec "$1" sh -c 'cd /proc/sys/net
        for f in ipv6/conf/all/disable_ipv6 ipv6/conf/default/disable_ipv6; do [ -w "$f" ] && echo 1 >"$f"; done
        for f in ipv4/conf/all/rp_filter ipv4/conf/default/rp_filter; do [ -w "$f" ] && echo 0 >"$f"; done
        true'
}

vlan__check_segment() {
    [[ $1 =~ ^[0-9]+$ ]] && [ "$1" -ge 1 ] && [ "$1" -le 254 ] || vlan__die "segment must be a number from 1 to 254: '$1'"
}

vlan__require_lan() {
    [ -n "$VLAN_ID" ] && [ -d "$VLAN_DIR" ] || { vlan__die "call vlan_create first"; return 1; }
}

vlan__on_exit() { local status=$?; vlan_destroy; exit "$status"; }

# A run killed outright (SIGKILL, a test timeout) cannot clean up after itself. Its namespaces
# carry its process id: when that process is gone, the next run removes them, and stops what
# still runs inside them.
vlan__sweep_stale() {
    local ns owner pid
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^vd[0-9]+(x[0-9]+)?-(hub|cl|s[0-9]+)$'); do
        owner=${ns#vd} && owner=${owner%%[!0-9]*}
        kill -0 "$owner" 2>/dev/null && continue
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
        ip netns del "$ns" 2>/dev/null && echo "vlan: removed stale namespace $ns" >&2
    done
    local dir
    for dir in "${TMPDIR:-/tmp}"/vidudi-lan.vd*; do
        [ -d "$dir" ] && [ ! -e "$dir/kept" ] || continue
        owner=${dir##*/vidudi-lan.vd} && owner=${owner%%[!0-9]*}
        [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null && rm -rf -- "$dir"
    done
}

vlan_create() {
    vlan_require_root
    vlan__sweep_stale
    [ -z "$VLAN_ID" ] || { vlan__die "a LAN is already up: $VLAN_ID"; return 1; }
    local id="vd$$"
    # A second LAN of the same process (or a stale one of a dead process) gets another name.
    while [ -e "/run/netns/${id}-hub" ]; do id="vd$$x$RANDOM"; done
    # The namespace this runner is in is the machine's own one: nothing runs in it.
    VLAN_ROOT_NETNS=$(readlink /proc/self/ns/net)
    export VLAN_ROOT_NETNS
    VLAN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-lan.$id.XXXXXX") || return 1
    VLAN_ID="$id"
    : >"$VLAN_DIR/namespaces"; : >"$VLAN_DIR/pids"
    trap vlan__on_exit EXIT; trap 'exit 130' INT; trap 'exit 143' TERM; trap 'exit 129' HUP
    vlan__new_ns "$(vlan__hub)" && vlan__new_ns "$(vlan__client)"
}

vlan_add_segment() {
    vlan__require_lan && vlan__check_segment "$1" || return 1
    # Snooping off: the bridge floods the group to every port, like a plain switch.
    ip -n "$(vlan__hub)" link add "br$1" type bridge mcast_snooping 0 && ip -n "$(vlan__hub)" link set "br$1" up
}

vlan_add_client_iface() {
    vlan__require_lan && vlan__check_segment "$1" || return 1
    local segment=$1 hub=$(vlan__hub) client=$(vlan__client) index onSegment address name
    ip -n "$hub" link show "br$segment" >/dev/null 2>&1 || { vlan__die "no segment $segment"; return 1; }
    touch "$VLAN_DIR/client_ifaces"
    index=$(grep -c . "$VLAN_DIR/client_ifaces" || true)
    onSegment=$(grep -c "^$segment " "$VLAN_DIR/client_ifaces" || true)
    [ "$onSegment" -lt 8 ] || { vlan__die "at most 8 client interfaces per segment"; return 1; }
    address="10.77.$segment.$((onSegment + 2))"
    name="eth$index"
    ip -n "$hub" link add "hc$index" type veth peer name "$name" netns "$client" || return 1
    ip -n "$hub" link set "hc$index" master "br$segment" up || return 1
    ip -n "$client" addr add "$address/24" dev "$name" || return 1
    ip -n "$client" link set "$name" up || return 1
    echo "$segment $address $name" >>"$VLAN_DIR/client_ifaces"
    echo "$address"
}

# "address/prefix" of every [device] section of an emulator configuration.
vlan__config_addresses() {
    awk '
        function prefix(mask,   parts, n, i, bits, v) {
            n = split(mask, parts, "."); bits = 0
            for (i = 1; i <= n; i++) for (v = parts[i] + 0; v > 0; v = int(v / 2)) bits += v % 2
            return bits
        }
        function flush() { if (address != "") print address "/" prefix(netmask) }
        /^[ \t]*\[device\]/ { flush(); address = ""; netmask = "255.255.255.0"; next }
        /^[ \t]*address[ \t]*=/ { sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t\r]+$/, ""); address = $0; next }
        /^[ \t]*netmask[ \t]*=/ { sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t\r]+$/, ""); netmask = $0; next }
        END { flush() }
    ' "$1"
}

vlan__device_ns() {
    local segment=$1 hub=$(vlan__hub) devns=$(vlan__devns "$1")
    if ! vlan__ns_exists "$devns"; then
        ip -n "$hub" link show "br$segment" >/dev/null 2>&1 || { vlan__die "no segment $segment"; return 1; }
        vlan__new_ns "$devns" || return 1
        ip -n "$hub" link add "hd$segment" type veth peer name eth0 netns "$devns" || return 1
        ip -n "$hub" link set "hd$segment" master "br$segment" up || return 1
        ip -n "$devns" link set eth0 up || return 1
    fi
    echo "$devns"
}

vlan_start_emulator() {
    vlan__require_lan && vlan__check_segment "$1" || return 1
    local segment=$1 config=$2 log=$3 devns cidr pid readyBefore waited=0
    [ -x "$NAS_EMULATOR" ] && [ -r "$config" ] && [ -n "$log" ] || { vlan__die "usage: NAS_EMULATOR=PROGRAM vlan_start_emulator S CONFIG LOG"; return 1; }
    devns=$(vlan__device_ns "$segment") || return 1
    for cidr in $(vlan__config_addresses "$config"); do
        if ! ip -n "$devns" -o addr show dev eth0 | grep -q " ${cidr%/*}/"; then
            ip -n "$devns" addr add "$cidr" dev eth0 || return 1
        fi
    done
    touch "$log"
    readyBefore=$(grep -c ' ready ' "$log" || true)
    # Output to files: a caller in $(...) must not wait for the emulator's end.
    ip netns exec "$devns" "$NAS_EMULATOR" --config "$config" --log "$log" \
        </dev/null >>"$log.out" 2>&1 &
    pid=$!
    echo "$pid $devns" >>"$VLAN_DIR/pids"
    while [ "$(grep -c ' ready ' "$log" || true)" -le "$readyBefore" ]; do
        kill -0 "$pid" 2>/dev/null || { vlan__die "nas-emulator ended before it was ready: $(cat "$log.out")"; return 1; }
        [ $((waited++)) -lt $((VLAN_READY_TIMEOUT_S * 20)) ] || { vlan__die "nas-emulator not ready after ${VLAN_READY_TIMEOUT_S}s"; return 1; }
        sleep 0.05
    done
}

vlan_client_exec() {
    vlan__require_lan || return 1
    ip netns exec "$(vlan__client)" /bin/bash -c \
        "$(declare -f vlan_assert_not_root_netns); vlan_assert_not_root_netns && exec \"\$@\"" \
        vlan-client "$@"
}

vlan_segment_exec() {
    vlan__require_lan && vlan__check_segment "$1" || return 1
    local devns
    devns=$(vlan__device_ns "$1") && shift && ip netns exec "$devns" "$@"
}

# True while the process runs: a process that ended but was not yet reaped (a zombie) does not.
vlan__running() { local stat; stat=$(cat "/proc/$1/stat" 2>/dev/null) && stat=${stat##*) } && [ "${stat%% *}" != Z ]; }

# Stops the processes in our namespaces (the emulators we started and anything a test left
# running there), each by its id, then deletes the namespaces. Safe to call more than once.
vlan_destroy() {
    [ -n "$VLAN_ID" ] || return 0
    local ns pid pids="" rest tries namespaces
    while read -r pid rest; do
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && pids="$pids $pid"
    done < <(cat "$VLAN_DIR/pids" 2>/dev/null)
    namespaces=$(cat "$VLAN_DIR/namespaces" 2>/dev/null)
    for ns in $namespaces; do
        vlan__ns_exists "$ns" && pids="$pids $(ip netns pids "$ns" 2>/dev/null | tr '\n' ' ')"
    done
    for pid in $pids; do kill -TERM "$pid" 2>/dev/null; done
    for pid in $pids; do
        tries=0
        while vlan__running "$pid" && [ $((tries++)) -lt 60 ]; do sleep 0.05; done
        vlan__running "$pid" && kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    for ns in $namespaces; do
        vlan__ns_exists "$ns" || continue
        ip netns del "$ns" 2>/dev/null || echo "vlan: could not delete namespace $ns" >&2
    done
    if [ -n "${VLAN_KEEP_DIR:-}" ]; then
        touch "$VLAN_DIR/kept" && echo "vlan: logs kept in $VLAN_DIR" >&2
    else
        rm -rf -- "$VLAN_DIR"
    fi
    VLAN_ID="" VLAN_DIR=""
    trap - EXIT INT TERM HUP
}
