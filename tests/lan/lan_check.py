#!/usr/bin/env python3
"""Readers for the lan tests, printing plain lines to compare:
  devices LIST.json  name|address|netmask|gateway|dhcp|localAddress|iface per listed device
  table LIST.txt     rows of `vidudi list` joined by '|', once header and column alignment hold
  discovery LOG      discovery requests an emulator received: <client address> <tag hex> <count>
  sends LOG          replies an emulator sent: <device address> <op> <count>
  window LOG         seconds from the first discovery request of the last client (tag) that sent a
                     query to its first query: how long its search lasted, on the emulator's clock
"""
import json, re, sys
from collections import Counter

KEYS = ["name", "address", "netmask", "gateway", "dhcp", "localAddress", "iface"]
HEADER = ["NAME", "ADDRESS", "NETMASK", "GATEWAY", "DHCP", "LOCAL ADDRESS"]
LOG = re.compile(r"^(\d+) (recv|send) (\S+) (?:from|to) ([0-9.]+):\d+ len=(\d+) ([0-9a-f]*)$")

def devices(path):
    document = json.load(open(path, encoding="utf-8"))
    assert set(document) == {"devices"}, document
    for d in document["devices"]:
        assert sorted(d) == sorted(KEYS) and isinstance(d["dhcp"], bool) and isinstance(d["iface"], int), d
        print("|".join(str(d[k]).lower() if k == "dhcp" else str(d[k]) for k in KEYS))

def table(path):
    header, *rows = open(path, encoding="utf-8").read().splitlines()
    assert re.split(r" {2,}", header.strip()) == HEADER, header
    starts = [header.index(title) for title in HEADER] + [None]
    for row in rows:
        cells = [row[a:b] for a, b in zip(starts, starts[1:])]
        assert all(c == "" or c.endswith(" ") for c in cells[:-1]), "columns not aligned: %r" % row
        assert all(a == 0 or a > len(row) or row[a - 1] == " " for a in starts[:-1]), "not aligned: %r" % row
        print("|".join(c.strip() for c in cells))

def log(path, with_time=False):
    for line in open(path, encoding="utf-8", errors="replace"):
        m = LOG.match(line.rstrip("\n"))
        if m:
            data = bytes.fromhex(m.group(6))
            assert len(data) == int(m.group(5)), line
            entry = m.group(2), m.group(3), m.group(4), data
            yield (int(m.group(1)),) + entry if with_time else entry

def discovery(path):
    requests = [(peer, d[1:11].hex()) for way, _, peer, d in log(path) if way == "recv" and d[:1] == b"\x01"]
    assert all(len(d) == 11 for way, _, _, d in log(path) if way == "recv" and d[:1] == b"\x01")
    for (peer, tag), count in Counter(requests).items():
        print(peer, tag, count)

def sends(path):
    for (device, op), count in Counter((dev, d[0]) for way, dev, _, d in log(path) if way == "send").items():
        print(device, op, count)

def window(path):
    received = sorted((ms, d) for ms, way, _, _, d in log(path, True) if way == "recv" and d)
    # The last run that sent a query (its tag), its first discovery request and its first query.
    tag = [d[1:11] for ms, d in received if d[0] == 3][-1]
    first = min(ms for ms, d in received if d[0] == 1 and d[1:11] == tag)
    query = min(ms for ms, d in received if d[0] == 3 and d[1:11] == tag)
    print("%.3f" % ((query - first) / 1000.0))

commands = {"devices": devices, "table": table, "discovery": discovery, "sends": sends, "window": window}
if len(sys.argv) != 3 or sys.argv[1] not in commands:
    sys.exit(__doc__)
commands[sys.argv[1]](sys.argv[2])
