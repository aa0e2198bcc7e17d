#!/usr/bin/env python3
"""What the client asked of the emulated adapters, decoded from an emulator log.

  request_log.py LOG [FROM_LINE]   one line per query (op 3) or setting (op 5) received:
      <op>/<sub-op> len=<n> to=<id address> id=<identity hex> netmask=<text> gateway=<text>
      payload=<payload as Python bytes literal>
  Only log lines after line FROM_LINE (a count from `wc -l`) are read.
"""
import re
import struct
import sys

LINE = re.compile(r"^\d+ recv \S+ from [0-9.]+:\d+ len=(\d+) ([0-9a-f]*)$")


def text_field(data, at):
    return data[at:at + 16].split(b"\0", 1)[0].decode("latin-1")


def main():
    path = sys.argv[1]
    skip = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()[skip:]
    for line in lines:
        match = LINE.match(line)
        if not match:
            continue
        data = bytes.fromhex(match.group(2))
        if len(data) != int(match.group(1)) or not data or data[0] not in (3, 5):
            continue
        op, sub = data[0], data[21]
        to = ".".join(str(b) for b in data[17:21])
        if op == 3:
            (n,) = struct.unpack_from("<I", data, 24)
            payload, netmask, gateway = data[28:28 + n], "", ""
            if len(data) != 28 + n:
                print("BAD length field", n, "for", len(data), "bytes")
        else:
            (n,) = struct.unpack_from("<I", data, 56)
            payload, netmask, gateway = data[60:60 + n], text_field(data, 24), text_field(data, 40)
            if len(data) != 60 + n:
                print("BAD length field", n, "for", len(data), "bytes")
        zeros = "" if data[22:24] == b"\0\0" and data[7:11] == b"\0\0\0\0" else " NONZERO-PADDING"
        print("%d/%d len=%d to=%s id=%s netmask=%s gateway=%s payload=%r%s"
              % (op, sub, len(data), to, data[11:17].hex(), netmask, gateway, payload, zeros))


main()
