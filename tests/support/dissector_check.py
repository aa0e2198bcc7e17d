#!/usr/bin/env python3
"""Checks of the Wireshark dissector (tools/wireshark/vidudi.lua): tshark decodes a capture with
it, and every frame's fields, expert warnings and request/reply pairs must equal what this
script reads from the same bytes on its own.

  dissector_check.py robustness LUA CORPUS_DIR WORK_DIR [SEED]
      writes WORK_DIR/robustness.pcap from the fuzzer's seed corpus, every cut of well-formed
      datagrams of each kind and random datagrams, then decodes it (no socket is opened)
  dissector_check.py capture LUA CAPTURE EMULATOR_LOG...
      a capture of the client's interfaces in the virtual LAN: its datagrams must be exactly
      the ones the emulators logged; prints the Info column texts, sorted, once each

Either fails on a Lua error, a malformed-packet exception, or any difference.
"""
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from collections import Counter

# The layout, as offsets from the start of a datagram.
TAG, DEVICE_ID, ADDRESS, SUBOP = 1, 11, 17, 21
NETMASK, GATEWAY, TEXT_FIELD = 24, 40, 16
QUERY_LENGTH, QUERY_PAYLOAD = 24, 28
SETTING_LENGTH, SETTING_PAYLOAD = 56, 60
NAME_LENGTH = {2: 56, 7: 68}
REQUEST_OF = {2: 1, 7: 1, 4: 3, 6: 5}
MINIMUM = {1: 11, 2: 60, 3: 28, 4: 28, 5: 60, 6: 21, 7: 72}
PASSWORD, SHARES = 4, 3

# Wireshark's expert codes as tshark prints them.
SEVERITY_WARN, SEVERITY_ERROR, GROUP_MALFORMED = "6291456", "8388608", "117440512"

FIELDS = ["op", "tag", "device_id", "device_address", "subop", "dhcp", "netmask", "gateway",
          "host_name_length", "host_name", "type_code1", "type_code2", "payload_length",
          "payload", "user", "password", "new_address", "new_host_name", "new_work_group",
          "result", "verdict", "shares", "response_in", "response_to"]
SKIP = object()  # a text whose rendering is Wireshark's business (not clean UTF-8)


def fail(message):
    print("dissector_check: " + message, file=sys.stderr)
    sys.exit(1)


def text(data):
    try:
        value = data.decode("utf-8")
    except UnicodeDecodeError:
        return SKIP
    return SKIP if any(ord(c) < 32 or ord(c) == 127 for c in value) else value


def up_to_nul(data):
    return data.split(b"\0", 1)[0]


def le32(data, at):
    return struct.unpack_from("<I", data, at)[0] if len(data) >= at + 4 else None


def expected(data, request):
    """Fields of one datagram, cut at the end of the data, and whether it is malformed.
    `request` is (frame, sub-op) of the request a reply answers, or None."""
    fields, malformed = {}, False
    n = len(data)
    if n == 0:
        return fields, False
    op = data[0]
    fields["op"] = [str(op)]
    if n > TAG:
        fields["tag"] = [data[TAG:TAG + 10].hex()]
    if op not in MINIMUM:
        return fields, False
    malformed = n < MINIMUM[op]
    if op != 1 and n > DEVICE_ID:
        fields["device_id"] = [data[DEVICE_ID:DEVICE_ID + 10].hex()]
        if n >= ADDRESS + 4:
            fields["device_address"] = [".".join(str(b) for b in data[ADDRESS:ADDRESS + 4])]

    def text_field(name, at):
        nonlocal malformed
        if n > at:
            raw = data[at:at + TEXT_FIELD]
            malformed |= len(raw) == TEXT_FIELD and b"\0" not in raw
            fields[name] = [text(up_to_nul(raw))]

    def counted(length_name, at, name=None):
        nonlocal malformed
        length = le32(data, at)
        if length is None:
            return None
        fields[length_name] = [str(length)]
        body = data[at + 4:at + 4 + length]
        malformed |= len(body) < length
        if body and name:
            fields[name] = [text(body)]
        return body

    if op in (2, 7):
        if n > SUBOP:
            fields["dhcp"] = ["0x%02x" % data[SUBOP]]
        text_field("netmask", NETMASK)
        text_field("gateway", GATEWAY)
        if op == 7:
            for name, at in (("type_code1", 56), ("type_code2", 57)):
                if n > at:
                    fields[name] = [str(data[at])]
        counted("host_name_length", NAME_LENGTH[op], "host_name")
    elif op in (3, 5) and n > SUBOP:
        sub = data[SUBOP]
        fields["subop"] = [str(sub)]
        if op == 5:
            text_field("netmask", NETMASK)
            text_field("gateway", GATEWAY)
        payload = counted("payload_length", QUERY_LENGTH if op == 3 else SETTING_LENGTH)
        if payload:
            fields["payload"] = [payload.hex()]
        if payload is not None and op == 3 and sub == PASSWORD:
            user, separator, password = payload.partition(b"\x55\xaa")
            malformed |= not separator
            if separator:
                fields["user"], fields["password"] = [text(user)], [text(password)]
        decoded = {1: "new_address", 5: "new_host_name", 7: "new_work_group"}.get(sub)
        if op == 5 and payload and decoded:
            fields[decoded] = [text(payload)]
    elif op == 4:
        sub = request[1] if request else None
        if sub == PASSWORD:
            malformed |= n <= QUERY_PAYLOAD
            if n > QUERY_PAYLOAD:
                fields["verdict"] = ["0x%02x" % data[QUERY_PAYLOAD]]
        elif n > QUERY_PAYLOAD:
            result = up_to_nul(data[QUERY_PAYLOAD:])
            fields["result"] = [text(result)]
            if sub == SHARES:
                names = [text(piece) for piece in result.split(b":") if piece]
                if names:
                    fields["shares"] = names
    return fields, malformed


def pair(datagrams):
    """Request and reply frames (numbered from 1) paired on the first six tag bytes and op;
    a reply answers the latest request before it, a request's response is its first reply."""
    latest, request_of, response_in = {}, {}, {}
    for frame, data in enumerate(datagrams, 1):
        if len(data) < 7:
            continue
        op = data[0]
        if op in (1, 3, 5):
            latest[(data[1:7], op)] = (frame, data[SUBOP] if len(data) > SUBOP else None)
        elif op in REQUEST_OF and (data[1:7], REQUEST_OF[op]) in latest:
            request = latest[(data[1:7], REQUEST_OF[op])]
            request_of[frame] = request
            response_in.setdefault(request[0], frame)
    return request_of, response_in


def loaded(prefix, lua, env=None):
    listing = subprocess.run(prefix + ["tshark", "-G", "protocols", "-X", "lua_script:" + lua],
                             capture_output=True, text=True, check=False, env=env)
    return "\tvidudi\n" in listing.stdout


def tshark(lua, capture, arguments):
    """Runs tshark with the dissector on a capture file. As root it runs in a network namespace
    of its own, so that not even a name look-up leaves the machine.

    Root and Lua: Debian's Wireshark 4.0 runs -X lua_script as root, since its
    /etc/wireshark/init.lua sets run_user_scripts_when_superuser = true. Where an init.lua says
    false, tshark as root leaves the script out without a word, and no -o preference or
    environment variable brings it back (WIRESHARK_DATA_DIR, which could point to another
    init.lua, is ignored for root). Then tshark runs as nobody, on copies of the files."""
    if shutil.which("tshark") is None:
        fail("tshark is missing (scripts/install-deps.sh installs it)")
    root = os.geteuid() == 0
    prefix = ["unshare", "--net"] if root else []
    env = None
    with tempfile.TemporaryDirectory() as scratch:
        if not loaded(prefix, lua):
            if not root:
                fail("tshark does not load %s" % lua)
            os.chmod(scratch, 0o755)
            for name, path in (("vidudi.lua", lua), ("capture", capture)):
                shutil.copyfile(path, os.path.join(scratch, name))
                os.chmod(os.path.join(scratch, name), 0o644)
            lua, capture = os.path.join(scratch, "vidudi.lua"), os.path.join(scratch, "capture")
            prefix += ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            env = dict(os.environ, HOME=scratch)
            if not loaded(prefix, lua, env):
                fail("tshark loads %s neither as root nor as nobody" % lua)
        command = prefix + ["tshark", "-n", "-2", "-r", capture, "-X", "lua_script:" + lua] + arguments
        return subprocess.run(command, capture_output=True, check=False, env=env)


def decode(lua, capture, extra_fields=()):
    """tshark's reading of every frame: a dict of field name -> list of values per frame."""
    fields = ["frame.number", "udp.payload", "_ws.expert.severity", "_ws.expert.group",
              "_ws.expert.message", "_ws.lua.error", "_ws.malformed.expert",
              "_ws.malformed.dissector_bug", "vidudi.time"]
    fields += ["vidudi." + name for name in FIELDS] + list(extra_fields)
    arguments = ["-T", "json"]
    for field in fields:
        arguments += ["-e", field]
    run = tshark(lua, capture, arguments)
    # Texts of hostile datagrams need not be UTF-8; those are not compared (see text()).
    run.stdout, run.stderr = (out.decode("utf-8", "replace") for out in (run.stdout, run.stderr))
    # tshark run by root says so on every start; nothing else may be said.
    complaints = [line for line in run.stderr.splitlines()
                  if line.strip() and not line.startswith("Running as user \"root\"")]
    if run.returncode != 0 or complaints:
        fail("tshark ended with %d: %s" % (run.returncode, "\n".join(complaints)[:2000]))
    for word in ("Lua Error", "Malformed Packet", "Dissector bug"):
        if word in run.stdout:
            fail("tshark's output reports '%s'" % word)
    frames = []
    for packet in json.loads(run.stdout):
        layers = packet["_source"]["layers"]
        # A Lua error and an exception are errors; a warning of ours is not (compare()).
        if any(name in layers for name in ("_ws.lua.error", "_ws.malformed.expert", "_ws.malformed.dissector_bug")) \
                or SEVERITY_ERROR in layers.get("_ws.expert.severity", []):
            fail("frame %s: %s" % (layers["frame.number"], layers.get("_ws.expert.message")))
        layers["payload"] = bytes.fromhex(layers.get("udp.payload", [""])[0].replace(":", ""))
        frames.append(layers)
    return frames


def compare(frames):
    """Every frame's fields against the reading of its payload; returns the number of
    malformed frames. Fails at the first difference."""
    datagrams = [frame["payload"] for frame in frames]
    request_of, response_in = pair(datagrams)
    malformed_count = 0
    for number, (frame, data) in enumerate(zip(frames, datagrams), 1):
        if frame["frame.number"] != [str(number)]:
            fail("frames out of order at %d" % number)
        want, malformed = expected(data, request_of.get(number))
        if number in request_of:
            want["response_to"] = [str(request_of[number][0])]
        if number in response_in:
            want["response_in"] = [str(response_in[number])]
        for name in FIELDS:
            got = frame.get("vidudi." + name)
            value = want.get(name)
            if value is not None and SKIP in value:
                continue
            if got != value:
                fail("frame %d (%s): vidudi.%s is %r, expected %r" % (number, data.hex(), name, got, value))
        warned = [(s, g) for s, g in zip(frame.get("_ws.expert.severity", []), frame.get("_ws.expert.group", []))]
        if ((SEVERITY_WARN, GROUP_MALFORMED) in warned) != malformed:
            fail("frame %d (%s): %s, expert info %r" % (number, data.hex(),
                 "malformed" if malformed else "well-formed", frame.get("_ws.expert.message")))
        malformed_count += malformed
    return malformed_count


# ---- robustness: a capture file written here

def pcap(path, datagrams):
    """Ethernet, IPv4 and UDP from 10.77.1.2 to the group, port 13579, one frame a millisecond."""
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for frame, data in enumerate(datagrams):
            udp = struct.pack(">HHHH", 13579, 13579, 8 + len(data), 0) + data
            ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0, 1, 17, 0,
                             bytes([10, 77, 1, 2]), bytes([224, 0, 0, 1])) + udp
            ether = bytes.fromhex("01005e000001" "020000000002" "0800") + ip
            seconds, millis = divmod(frame, 1000)
            out.write(struct.pack("<IIII", 1700000000 + seconds, millis * 1000, len(ether), len(ether)) + ether)


def well_formed():
    """One datagram of every kind, as a client and a device send them."""
    tag = bytes.fromhex("a1b2c3d4e5f6") + bytes(4)
    device = bytes.fromhex("000ea100000a") + bytes([10, 77, 1, 10])

    def field(value):
        return value.encode().ljust(16, b"\0")

    def reply(op, form, name):
        head = bytes([op]) + tag + device + b"1\0\0" + field("255.255.255.0") + field("10.77.1.1")
        return head + form + struct.pack("<I", len(name)) + name

    def query(sub, payload=b""):
        return bytes([3]) + tag + device + bytes([sub, 0, 0]) + struct.pack("<I", len(payload)) + payload

    def setting(sub, payload=b"", netmask="", gateway=""):
        return (bytes([5]) + tag + device + bytes([sub, 0, 0]) + field(netmask) + field(gateway)
                + struct.pack("<I", len(payload)) + payload)

    answer = bytes([4]) + tag + device + bytes(7)
    done = bytes([6]) + tag + device
    return [bytes([1]) + tag, reply(2, b"", b"NAS-Office"), reply(7, bytes([0, 10]) + bytes(10), b"NAS-Lab"),
            query(6), answer + b"WORKGROUP", query(3), answer + "public::Fotó:music:".encode(),
            query(4, b"admin\x55\xaa"), answer + b"\x01", query(4, b"admin\x55\xaas3cret"), answer + b"\x00",
            setting(1, b"10.77.1.20", "255.255.255.0", "10.77.1.1"), done, setting(2), done,
            setting(5, b"NAS-1"), done, setting(7, b"TEAM-7"), done]


def robustness_datagrams(corpus, seed):
    rng = random.Random(seed)
    datagrams = []
    for name in sorted(os.listdir(corpus)):
        with open(os.path.join(corpus, name), "rb") as f:
            seed_input = f.read()
        # The fuzzer's first byte picks the parser. A seed longer than UDP can carry (the client
        # must refuse such a read) never reaches a capture.
        datagrams += [d for d in (seed_input[1:], seed_input) if len(d) <= 65507]
    kinds = well_formed()
    datagrams += kinds
    # Every kind cut at every length, each after the request it answers so that replies pair.
    for n, data in enumerate(kinds):
        for cut in range(len(data)):
            if data[0] in REQUEST_OF and n > 0:
                datagrams.append(kinds[n - 1])
            datagrams.append(data[:cut])
    # Faults a device or a broken client may send.
    for data in kinds:
        op = data[0]
        if op in (2, 7):
            at = NAME_LENGTH[op]
            for length in (len(data) - at - 3, 0xFFFFFFFF):
                datagrams.append(data[:at] + struct.pack("<I", length) + data[at + 4:])
            datagrams.append(data[:NETMASK] + b"9" * 32 + data[GATEWAY + TEXT_FIELD:])
        if op in (3, 5):
            at = QUERY_LENGTH if op == 3 else SETTING_LENGTH
            datagrams.append(data[:at] + struct.pack("<I", 0x80000000) + data[at + 4:])
            datagrams.append(data + b"trailing")
    datagrams.append(well_formed()[3][:QUERY_LENGTH] + struct.pack("<I", 5) + b"admin")  # sub-op 3, no separator
    datagrams.append(bytes([3]) + bytes(20) + bytes([4, 0, 0]) + struct.pack("<I", 5) + b"admin")
    # A share list of 10,000 names in one 60,000-byte reply, after its query.
    datagrams += [kinds[5], kinds[6][:QUERY_PAYLOAD] + b"share:" * 10000]
    # Random bytes, and well-formed datagrams with random damage.
    for _ in range(1500):
        op = rng.choice([0, 1, 2, 3, 4, 5, 6, 7, 8, 255])
        datagrams.append(bytes([op]) + rng.randbytes(rng.randint(0, 90)))
    for _ in range(1500):
        data = bytearray(rng.choice(kinds))
        for _ in range(rng.randint(1, 4)):
            data[rng.randrange(len(data))] = rng.choice([0, 0x55, 0xAA, 0xFF, rng.randrange(256)])
        datagrams.append(bytes(data[:rng.randint(1, len(data))] if rng.random() < 0.5 else data))
    return datagrams


def robustness(lua, corpus, work, seed="1"):
    datagrams = robustness_datagrams(corpus, int(seed))
    path = os.path.join(work, "robustness.pcap")
    pcap(path, datagrams)
    frames = decode(lua, path)
    if len(frames) != len(datagrams):
        fail("%d frames decoded of %d written" % (len(frames), len(datagrams)))
    malformed = compare(frames)
    # The pcap's clock: a reply's time since its request is the frames' distance in ms.
    for frame in frames:
        if "vidudi.response_to" in frame:
            want = (int(frame["frame.number"][0]) - int(frame["vidudi.response_to"][0])) / 1000
            if abs(float(frame["vidudi.time"][0]) - want) > 1e-6:
                fail("frame %s: vidudi.time %s, expected %.6f" % (frame["frame.number"][0], frame["vidudi.time"], want))
    print("%d datagrams (seed %s), %d malformed, decoded as expected" % (len(datagrams), seed, malformed))


# ---- capture: the client's interfaces in the virtual LAN

LOG_LINE = re.compile(r"^\d+ (recv|send) (\S+) (?:from|to) ([0-9.]+):\d+ len=(\d+) ([0-9a-f]*)$")


def logged(paths):
    """(source address, bytes) of every datagram that an emulator received or sent."""
    datagrams = Counter()
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                match = LOG_LINE.match(line.rstrip("\n"))
                if match:
                    direction, device, peer, _, hexbytes = match.groups()
                    datagrams[(peer if direction == "recv" else device, bytes.fromhex(hexbytes))] += 1
    return datagrams


def capture(lua, path, *logs):
    frames = decode(lua, path, ["ip.src", "frame.time_epoch", "_ws.col.Info"])
    captured = Counter((frame["ip.src"][0], frame["payload"]) for frame in frames)
    sent = logged(logs)
    if captured != sent:
        fail("captured but not logged: %s\nlogged but not captured: %s" % (
            [(a, d.hex()) for a, d in (captured - sent)], [(a, d.hex()) for a, d in (sent - captured)]))
    if compare(frames):
        fail("malformed datagrams in the capture")
    pairs = 0
    for frame in frames:
        if "vidudi.response_to" in frame:
            request = frames[int(frame["vidudi.response_to"][0]) - 1]
            want = float(frame["frame.time_epoch"][0]) - float(request["frame.time_epoch"][0])
            if abs(float(frame["vidudi.time"][0]) - want) > 2e-6:
                fail("frame %s: vidudi.time %s, expected %.6f" % (frame["frame.number"][0], frame["vidudi.time"], want))
            pairs += 1
    print("%d datagrams, %d replies paired with their requests" % (len(frames), pairs), file=sys.stderr)
    for info in sorted({frame["_ws.col.Info"][0] for frame in frames}):
        print(info)


def main():
    commands = {"robustness": (robustness, 3, 4), "capture": (capture, 3, 99)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        fail(__doc__)
    command, least, most = commands[sys.argv[1]]
    if not least <= len(sys.argv) - 2 <= most:
        fail(__doc__)
    command(*sys.argv[2:])


if __name__ == "__main__":
    main()
