#!/usr/bin/env python3
"""Checks of the Wireshark dissector (tools/wireshark/vidudi.lua) with tshark; no socket is opened.

  robustness LUA CORPUS_DIR WORK_DIR [SEED]: the fuzzer's seeds, cuts of well-formed datagrams and
      random ones: no Lua error; a malformed warning on those too short or with a length past the
      end, none on the well-formed
  capture LUA CAPTURE EMULATOR_LOG...: the datagrams the emulators logged, op, tag, address,
      sub-op and host name as in their bytes, replies paired; prints the Info texts, sorted, once each
"""
import json, os, random, re, shutil, struct, subprocess, sys, tempfile
from collections import Counter

MINIMUM = {1: 11, 2: 60, 3: 28, 4: 28, 5: 60, 6: 21, 7: 72}
WARN_MALFORMED = ("6291456", "117440512")  # expert severity and group as tshark prints them

def fail(message): sys.exit("dissector_check: " + message)

def tshark(lua, capture, fields):
    """tshark -T json on a capture, in a network namespace of its own when root; where an
    init.lua keeps Lua scripts from root, as nobody on copies of the files."""
    prefix, env = (["unshare", "--net"] if os.geteuid() == 0 else []), None
    loaded = lambda: "\tvidudi\n" in subprocess.run(
        prefix + ["tshark", "-G", "protocols", "-X", "lua_script:" + lua],
        capture_output=True, text=True, env=env).stdout
    with tempfile.TemporaryDirectory() as scratch:
        if not loaded() and os.geteuid() == 0:
            os.chmod(scratch, 0o755)
            for name, path in (("vidudi.lua", lua), ("capture", capture)):
                shutil.copyfile(path, os.path.join(scratch, name))
                os.chmod(os.path.join(scratch, name), 0o644)
            lua, capture = os.path.join(scratch, "vidudi.lua"), os.path.join(scratch, "capture")
            prefix += ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            env = dict(os.environ, HOME=scratch)
        loaded() or fail("tshark does not load " + lua)
        arguments = ["-n", "-2", "-r", capture, "-X", "lua_script:" + lua, "-T", "json"]
        arguments += [a for f in ["frame.number", "udp.payload", "_ws.expert.severity", "_ws.expert.group", "_ws.lua.error",
                                  "_ws.malformed.expert", "_ws.malformed.dissector_bug"] + fields for a in ("-e", f)]
        run = subprocess.run(prefix + ["tshark"] + arguments, capture_output=True, env=env)
    out, err = (o.decode("utf-8", "replace") for o in (run.stdout, run.stderr))
    complaints = [l for l in err.splitlines() if l.strip() and not l.startswith('Running as user "root"')]
    if run.returncode or complaints:
        fail("tshark ended with %d: %s" % (run.returncode, "\n".join(complaints)[:2000]))
    frames = []
    for packet in json.loads(out):
        layers = packet["_source"]["layers"]
        if any(k in layers for k in ("_ws.lua.error", "_ws.malformed.expert", "_ws.malformed.dissector_bug")) \
                or "8388608" in layers.get("_ws.expert.severity", []) or "Lua Error" in json.dumps(layers):
            fail("frame %s: Lua error or exception" % layers["frame.number"])
        layers["payload"] = bytes.fromhex(layers.get("udp.payload", [""])[0].replace(":", ""))
        layers["warned"] = WARN_MALFORMED in zip(layers.get("_ws.expert.severity", []), layers.get("_ws.expert.group", []))
        frames.append(layers)
    return frames

def pcap(path, datagrams):
    """Ethernet, IPv4 and UDP from 10.77.1.2 to the group, port 13579, one frame a millisecond."""
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for n, data in enumerate(datagrams):
            udp = struct.pack(">HHHH", 13579, 13579, 8 + len(data), 0) + data
            ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0, 1, 17, 0,
                             bytes([10, 77, 1, 2]), bytes([224, 0, 0, 1])) + udp
            ether = bytes.fromhex("01005e0000010200000000020800") + ip
            out.write(struct.pack("<IIII", 1700000000 + n // 1000, n % 1000 * 1000, len(ether), len(ether)) + ether)

def robustness(lua, corpus, work, seed="1"):
    tag, device = bytes.fromhex("a1b2c3d4e5f6") + bytes(4), bytes.fromhex("000ea100000a0a4d010a")
    field = lambda text: text.encode().ljust(16, b"\0")
    counted = lambda data: struct.pack("<I", len(data)) + data
    head = lambda op, sub: bytes([op]) + tag + device + bytes([sub, 0, 0])
    kinds = [bytes([1]) + tag,
             head(2, 1) + field("255.255.255.0") + field("10.77.1.1") + counted(b"NAS-Office"),
             head(7, 0) + field("255.255.0.0") + field("") + bytes([0, 10]) + bytes(10) + counted(b"NAS-Lab"),
             head(3, 4) + counted(b"admin\x55\xaas3cret"), head(4, 0) + bytes(4) + b"\x01",
             head(5, 1) + field("255.255.255.0") + field("10.77.1.1") + counted(b"10.77.1.20"),
             bytes([6]) + tag + device]
    cases = []  # (datagram, whether a malformed warning is due; None: not checked)
    for name in sorted(os.listdir(corpus)):
        with open(os.path.join(corpus, name), "rb") as f:
            data = f.read()
        # The fuzzer's first byte picks the parser; seeds past 65,507 bytes fit no UDP datagram.
        cases += [(d, None) for d in (data[1:], data) if len(d) <= 65507]
    for n, data in enumerate(kinds):
        cases.append((data, False))
        for cut in range(1, len(data)):
            if data[0] in (2, 4, 6, 7):
                cases.append((kinds[n - 1], None))  # the request a reply answers
            cases.append((data[:cut], True if cut < MINIMUM[data[0]] or data[0] != 4 else None))
    for data in kinds[1:4] + kinds[5:6]:
        at = {2: 56, 7: 68, 3: 24, 5: 56}[data[0]]
        cases.append((data[:at] + struct.pack("<I", 0xFFFFFFFF) + data[at + 4:], True))
    rng = random.Random(int(seed))
    cases += [(bytes([rng.choice([0, 1, 2, 3, 4, 5, 6, 7, 8, 255])]) + rng.randbytes(rng.randint(0, 90)), None) for _ in range(400)]
    path = os.path.join(work, "robustness.pcap")
    pcap(path, [data for data, _ in cases])
    frames = tshark(lua, path, ["vidudi.op"])
    len(frames) == len(cases) or fail("%d frames decoded of %d written" % (len(frames), len(cases)))
    for frame, (data, due) in zip(frames, cases):
        if due not in (None, frame["warned"]):
            fail("frame %s (%s): malformed warning %s, expected %s" % (frame["frame.number"][0], data.hex(), frame["warned"], due))
    print("%d datagrams decoded, warnings where due" % len(cases))

def as_logged(data):
    """The datagram as the emulator logs it: a password check's password bytes as '*'."""
    if len(data) <= 28 or data[0] != 3 or data[21] != 4:
        return data
    at = data.find(b"\x55\xaa", 28)
    at = 28 if at < 0 else at + 2
    return data[:at] + b"*" * (len(data) - at)

def capture(lua, path, *logs):
    line = re.compile(r"^\d+ (recv|send) (\S+) (?:from|to) ([0-9.]+):\d+ len=\d+ ([0-9a-f]*)$")
    sent = Counter()
    for log in logs:
        for match in filter(None, map(line.match, open(log, encoding="utf-8", errors="replace"))):
            direction, device, peer, data = match.groups()
            sent[(peer if direction == "recv" else device, bytes.fromhex(data))] += 1
    frames = tshark(lua, path, ["ip.src", "_ws.col.Info", "vidudi.op", "vidudi.tag", "vidudi.device_address",
                                "vidudi.subop", "vidudi.host_name", "vidudi.response_to"])
    captured = Counter((frame["ip.src"][0], as_logged(frame["payload"])) for frame in frames)
    if captured != sent:
        fail("captured, not logged: %s\nlogged, not captured: %s" % (
            [(a, d.hex()) for a, d in captured - sent], [(a, d.hex()) for a, d in sent - captured]))
    for frame in frames:
        data = frame["payload"]
        want = {"op": [str(data[0])], "tag": [data[1:11].hex()], "warned": False}
        if data[0] != 1:
            want["device_address"] = [".".join(map(str, data[17:21]))]
        if data[0] in (3, 5):
            want["subop"] = [str(data[21])]
        if data[0] in (2, 7):
            at = 56 if data[0] == 2 else 68
            want["host_name"] = [data[at + 4:at + 4 + struct.unpack_from("<I", data, at)[0]].decode()]
        got = {k: frame.get(k if k == "warned" else "vidudi." + k) for k in want}
        if got != want or (data[0] in (2, 4, 6, 7)) != ("vidudi.response_to" in frame):
            fail("frame %s (%s): %r, expected %r, paired: %s" % (frame["frame.number"][0], data.hex(), got, want,
                                                                 "vidudi.response_to" in frame))
    for info in sorted({frame["_ws.col.Info"][0] for frame in frames}):
        print(info)

if __name__ == "__main__":
    commands = {"robustness": robustness, "capture": capture}
    if len(sys.argv) < 4 or sys.argv[1] not in commands:
        fail(__doc__)
    commands[sys.argv[1]](*sys.argv[2:])
