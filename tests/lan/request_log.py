#!/usr/bin/env python3
"""request_log.py LOG [FROM_LINE]: the queries (op 3) and settings (op 5) an emulator received
after line FROM_LINE, one a line:
  <op>/<sub-op> len=<n> to=<address> id=<identity hex> netmask=<text> gateway=<text> payload=<bytes literal>
with BAD or NONZERO-PADDING added where the length field or the padding is wrong."""
import re
import struct
import sys

for line in open(sys.argv[1], encoding="utf-8", errors="replace").read().splitlines()[int(sys.argv[2]) if len(sys.argv) > 2 else 0:]:
    m = re.match(r"^\d+ recv \S+ from [0-9.]+:\d+ len=(\d+) ([0-9a-f]*)$", line)
    data = bytes.fromhex(m.group(2)) if m else b""
    if not data or len(data) != int(m.group(1)) or data[0] not in (3, 5):
        continue
    at = 24 if data[0] == 3 else 56
    (n,) = struct.unpack_from("<I", data, at)
    text = lambda at: "" if data[0] == 3 else data[at:at + 16].split(b"\0", 1)[0].decode("latin-1")
    print("%d/%d len=%d to=%s id=%s netmask=%s gateway=%s payload=%r%s%s" % (
        data[0], data[21], len(data), ".".join(map(str, data[17:21])), data[11:17].hex(), text(24), text(40),
        data[at + 4:at + 4 + n], "" if len(data) == at + 4 + n else " BAD-LENGTH",
        "" if data[22:24] == b"\0\0" and data[7:11] == bytes(4) else " NONZERO-PADDING"))
