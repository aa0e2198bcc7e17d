#!/usr/bin/env python3
"""Readers for what the lan tests look at, each printing plain lines a test can compare.

  lan_check.py devices LIST.json   one line per listed device:
                                   name|address|netmask|gateway|dhcp|localAddress|iface
  lan_check.py table LIST.txt      the rows of `vidudi list`, fields joined by '|', after
                                   checking the header and that every column is aligned
  lan_check.py discovery LOG       discovery requests an emulator received, one line per
                                   client address and tag: <address> <tag hex> <count>
  lan_check.py sends LOG           replies an emulator sent: <device address> <op> <count>
"""
import json
import re
import sys
from collections import OrderedDict

TABLE_HEADER = ["NAME", "ADDRESS", "NETMASK", "GATEWAY", "DHCP", "LOCAL ADDRESS"]
LOG_LINE = re.compile(
    r"^(\d+) (recv|send) (\S+) (?:from|to) ([0-9.]+):(\d+) len=(\d+) ([0-9a-f]*)$")


def fail(message):
    print("lan_check: " + message, file=sys.stderr)
    sys.exit(1)


def devices(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    try:
        document = json.loads(text)
    except ValueError as error:
        fail("not JSON (%s): %r" % (error, text[:200]))
    if set(document) != {"devices"} or not isinstance(document["devices"], list):
        fail('expected {"devices":[...]}, got %r' % text[:200])
    keys = ["name", "address", "netmask", "gateway", "dhcp", "localAddress", "iface"]
    for device in document["devices"]:
        if sorted(device) != sorted(keys):
            fail("device with keys %s, expected %s" % (sorted(device), keys))
        if not isinstance(device["dhcp"], bool) or not isinstance(device["iface"], int):
            fail("dhcp must be true/false and iface a number: %r" % device)
        print("|".join(str(device[k]).lower() if k == "dhcp" else str(device[k]) for k in keys))


def table(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if not lines:
        fail("empty table")
    header = lines[0]
    starts = []
    for title in TABLE_HEADER:
        at = header.find(title, starts[-1] + 1 if starts else 0)
        if at < 0:
            fail("header %r lacks %r" % (header, title))
        starts.append(at)
    if starts[0] != 0 or re.sub(r" {2,}", "|", header.strip()) != "|".join(TABLE_HEADER):
        fail("header is not %r: %r" % ("  ".join(TABLE_HEADER), header))
    for line in lines[1:]:
        fields = []
        for n, start in enumerate(starts):
            end = starts[n + 1] if n + 1 < len(starts) else len(line)
            if start > 0 and start <= len(line) and line[start - 1] != " ":
                fail("column %s not aligned in %r" % (TABLE_HEADER[n], line))
            cell = line[start:end]
            if n + 1 < len(starts) and cell and not cell.endswith(" "):
                fail("column %s runs into the next one in %r" % (TABLE_HEADER[n], line))
            fields.append(cell.strip())
        print("|".join(fields))


def log_entries(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            match = LOG_LINE.match(line.rstrip("\n"))
            if match:
                _, direction, device, peer, port, length, hexbytes = match.groups()
                data = bytes.fromhex(hexbytes)
                if len(data) != int(length):
                    fail("log line with len=%s but %d bytes: %s" % (length, len(data), line))
                yield direction, device, peer, int(port), data


def discovery(path):
    counts = OrderedDict()
    for direction, _, peer, _, data in log_entries(path):
        if direction == "recv" and data[:1] == b"\x01":
            if len(data) != 11:
                fail("discovery request of %d bytes from %s" % (len(data), peer))
            key = (peer, data[1:11].hex())
            counts[key] = counts.get(key, 0) + 1
    for (peer, tag), count in counts.items():
        print(peer, tag, count)


def sends(path):
    counts = OrderedDict()
    for direction, device, _, _, data in log_entries(path):
        if direction == "send":
            key = (device, data[0] if data else -1)
            counts[key] = counts.get(key, 0) + 1
    for (device, op), count in counts.items():
        print(device, op, count)


def main():
    commands = {"devices": devices, "table": table, "discovery": discovery, "sends": sends}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        fail("usage: lan_check.py devices|table|discovery|sends FILE")
    commands[sys.argv[1]](sys.argv[2])


if __name__ == "__main__":
    main()
