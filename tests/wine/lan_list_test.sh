#!/bin/bash
# The Windows command line under Wine and the native one find the same adapters, each on the
# same local address, in one virtual LAN of two segments.
#
#   lan_list_test.sh --native VIDUDI --emulator NAS_EMULATOR --windows-cli VIDUDI_CLI_EXE \
#                    --prefix WINEPREFIX
#
# Everything that opens a socket runs in the LAN's client namespace, and so does the
# wineserver of the prefix (Wine makes its sockets there).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_common.sh"
. "$here/../lan/vlan.sh"

native="" emulator="" windowsCli="" prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
        --native) native=$2; shift 2 ;;
        --emulator) emulator=$2; shift 2 ;;
        --windows-cli) windowsCli=$2; shift 2 ;;
        --prefix) prefix=$2; shift 2 ;;
        *) wine_fail "unknown argument '$1'" ;;
    esac
done
[ -n "$native" ] && [ -n "$emulator" ] && [ -n "$windowsCli" ] && [ -n "$prefix" ] ||
    wine_fail "usage: $0 --native VIDUDI --emulator NAS_EMULATOR --windows-cli VIDUDI_CLI_EXE --prefix DIR"
[ -x "$native" ] || wine_fail "native vidudi not found at $native"
[ -x "$emulator" ] || wine_fail "nas-emulator not found at $emulator"
wine_require_file "$windowsCli" "vidudi-cli.exe"
command -v python3 >/dev/null || wine_fail "python3 is needed to compare the JSON outputs"
vlan_require_root

wine_use_prefix "$prefix"
wine_lock_prefix

# Prefix creation runs without any network at all, before the LAN exists.
wine_ensure_prefix

work=$(mktemp -d "${TMPDIR:-/tmp}/vidudi-wine-lan.XXXXXX") || wine_fail "no temporary directory"
on_exit() {
    local status=$? log
    if [ "$status" -ne 0 ]; then
        for log in "$work"/*.log "$work"/*.log.out "$work"/*.err; do
            [ -s "$log" ] || continue
            echo "----- $(basename "$log") (last 20 lines)" >&2
            tail -n 20 "$log" | cut -c1-200 >&2
        done
    fi
    wine_server_stop
    vlan_destroy
    rm -rf -- "$work"
    exit "$status"
}

vlan_create || wine_fail "cannot create the virtual LAN"
trap on_exit EXIT
export NAS_EMULATOR=$emulator

vlan_add_segment 1 && vlan_add_segment 2 || wine_fail "cannot add segments"
client1=$(vlan_add_client_iface 1) && client2=$(vlan_add_client_iface 2) ||
    wine_fail "cannot add client interfaces"

cat >"$work/segment1.ini" <<'INI'
[device]
name = NAS-ONE
identity = 00:11:22:33:44:01
address = 10.77.1.10
gateway = 10.77.1.1
reply-form = 2
shares = Public:Media
workgroup = OFFICE
# Query results padded past 4096 bytes: both platforms read the datagram whole.
oversize-result = 6000

[device]
name = NAS-TWO
identity = 00:11:22:33:44:02
address = 10.77.1.11
netmask = 255.255.0.0
dhcp = yes
reply-form = 7
type-codes = 3 10
INI
cat >"$work/segment2.ini" <<'INI'
[device]
name = NAS-THREE
identity = 00:11:22:33:44:03
address = 10.77.2.10
gateway = 10.77.2.254
reply-form = 7
type-codes = 6 6

# Answers after the search window has closed: a late reply is never listed, and the next
# search's flush drops it.
[device]
name = NAS-LATE
identity = 00:11:22:33:44:04
address = 10.77.2.11
reply-delay-ms = 1300
INI
vlan_start_emulator 1 "$work/segment1.ini" "$work/segment1.log" &&
    vlan_start_emulator 2 "$work/segment2.ini" "$work/segment2.log" ||
    wine_fail "cannot start the emulators"

# The server runs in the client namespace; a wrapper shell reports the id it becomes.
clientNs=$(vlan_client_exec readlink /proc/self/ns/net) || wine_fail "cannot enter the client namespace"
[ "$clientNs" != "$VLAN_ROOT_NETNS" ] || wine_fail "the client namespace is the machine's own"
wine_server_start vlan_client_exec

# list_with WHO CMD...: runs one search and keeps its JSON and what each segment's emulator
# received and sent meanwhile.
list_with() {
    local who=$1 before1 before2
    shift
    before1=$(wc -l <"$work/segment1.log")
    before2=$(wc -l <"$work/segment2.log")
    vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" "$@" list --json >"$work/$who.json" 2>"$work/$who.err" ||
        { cat "$work/$who.err" >&2; wine_fail "$who: $* list --json failed"; }
    # Let the emulators log the last replies before the logs are cut.
    sleep 0.2
    tail -n +"$((before1 + 1))" "$work/segment1.log" >"$work/$who.segment1.log"
    tail -n +"$((before2 + 1))" "$work/segment2.log" >"$work/$who.segment2.log"
}
list_with native "$native"
list_with wine wine "$windowsCli"
echo "native: $(cat "$work/native.json")"
echo "wine:   $(tr -d '\r' <"$work/wine.json")"

# Queries to one adapter whose replies are longer than 4096 bytes: every platform reads them
# whole and finds the same texts.
for query in shares workgroup; do
    vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" "$native" "$query" 10.77.1.10 --json >"$work/native.$query" 2>"$work/native.$query.err" ||
        { cat "$work/native.$query.err" >&2; wine_fail "native vidudi $query failed"; }
    vlan_client_exec timeout -k 5 "$WINE_PROGRAM_TIMEOUT" wine "$windowsCli" "$query" 10.77.1.10 --json >"$work/wine.$query" 2>"$work/wine.$query.err" ||
        { cat "$work/wine.$query.err" >&2; wine_fail "wine vidudi-cli.exe $query failed"; }
    tr -d '\r' <"$work/wine.$query" >"$work/wine.$query.unix"
    cmp -s "$work/native.$query" "$work/wine.$query.unix" ||
        wine_fail "$query: native printed $(cat "$work/native.$query"), wine $(cat "$work/wine.$query.unix")"
done
grep -q '"Public","Media' "$work/native.shares" || wine_fail "shares: $(cat "$work/native.shares")"
grep -q '"workGroup":"OFFICE' "$work/native.workgroup" || wine_fail "workgroup: $(cat "$work/native.workgroup")"
echo "shares:    $(cat "$work/native.shares" | cut -c1-120)"
echo "workgroup: $(cat "$work/native.workgroup" | cut -c1-120)"

python3 - "$work" "$client1" "$client2" <<'PY'
import json, re, sys

work, client1, client2 = sys.argv[1:4]
expected = {
    "10.77.1.10": dict(name="NAS-ONE", netmask="255.255.255.0", gateway="10.77.1.1",
                       dhcp=False, localAddress=client1),
    "10.77.1.11": dict(name="NAS-TWO", netmask="255.255.0.0", gateway="",
                       dhcp=True, localAddress=client1),
    "10.77.2.10": dict(name="NAS-THREE", netmask="255.255.255.0", gateway="10.77.2.254",
                       dhcp=False, localAddress=client2),
}
failures = []

def load(path, who):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    devices = json.loads(text)["devices"]
    table = {}
    for d in devices:
        if d["address"] in table:
            failures.append(f"{who}: {d['address']} listed twice")
        table[d["address"]] = d
    # One local address, one iface number, both ways.
    pairs = {(d["localAddress"], d["iface"]) for d in devices}
    if len({p[0] for p in pairs}) != len(pairs) or len({p[1] for p in pairs}) != len(pairs):
        failures.append(f"{who}: local addresses and iface numbers do not match one to one: {sorted(pairs)}")
    order = sorted(pairs, key=lambda p: p[1])
    print(f"{who} local address order (iface: address): " +
          ", ".join(f"{i}: {a}" for a, i in order))
    return table

native = load(f"{work}/native.json", "native")
wine = load(f"{work}/wine.json", "wine")

# Each local address sends the 11-byte request twice out of its own interface: a segment's
# emulator hears exactly two, from the client's address on that segment, with one tag whose
# last four bytes are zero.
tags = {}
for who in ("native", "wine"):
    for segment, client in ((1, client1), (2, client2)):
        requests = []
        with open(f"{work}/{who}.segment{segment}.log") as f:
            for line in f:
                m = re.match(r"\d+ recv \S+ from (\S+):\d+ len=(\d+) ([0-9a-f]*)$", line.strip())
                if m:
                    requests.append((m.group(1), int(m.group(2)), m.group(3)))
        if [(a, n, h[:2]) for a, n, h in requests] != [(client, 11, "01")] * 2:
            failures.append(f"{who}: segment {segment} received {requests}, expected two discovery "
                            f"requests from {client}")
            continue
        tag = {h[2:22] for _, _, h in requests}
        if len(tag) != 1 or not next(iter(tag)).endswith("00000000"):
            failures.append(f"{who}: segment {segment} requests carry tags {sorted(tag)}")
        tags.setdefault(who, set()).update(tag)
    if len(tags.get(who, ())) > 1:
        failures.append(f"{who}: one search used several tags {sorted(tags[who])}")
if tags.get("native") and tags.get("native") == tags.get("wine"):
    failures.append(f"native and wine used the same tag {tags['native']}")

for who, table in (("native", native), ("wine", wine)):
    if sorted(table) != sorted(expected):
        failures.append(f"{who} found {sorted(table)}, expected {sorted(expected)}")
    for address, want in expected.items():
        got = table.get(address)
        if got is None:
            continue
        for key, value in want.items():
            if got.get(key) != value:
                failures.append(f"{who} {address}: {key} is {got.get(key)!r}, expected {value!r}")

for address in sorted(set(native) & set(wine)):
    n, w = native[address], wine[address]
    for key in ("name", "netmask", "gateway", "dhcp", "localAddress"):
        if n.get(key) != w.get(key):
            failures.append(f"{address}: {key} native {n.get(key)!r}, wine {w.get(key)!r}")

for f in failures:
    print("FAIL:", f, file=sys.stderr)
sys.exit(1 if failures else 0)
PY
status=$?
[ "$status" -eq 0 ] && echo "native and Wine list the same adapters on the same local addresses"
exit "$status"
