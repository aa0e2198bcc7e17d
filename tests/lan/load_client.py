#!/usr/bin/env python3
"""load_client.py LOCAL_ADDRESS DEVICE_ADDRESS RATE SECONDS: a steady load on one emulated
adapter, as from one client: RATE requests a second for SECONDS, discovery requests and
work-group queries in turn, each with its own tag (a sequence number in the last four bytes).
Prints "sent=N answered=N" once the answers to the last requests had a second to come back.
Only inside the client namespace of a virtual LAN."""
import os
import select
import socket
import struct
import sys
import time

local, device, rate, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
client = os.urandom(6)

receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
receiver.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
receiver.setsockopt(socket.IPPROTO_IP, 49, 0)  # IP_MULTICAST_ALL off: only this interface's group
receiver.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
receiver.bind(("0.0.0.0", 13579))
receiver.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton("224.0.0.1") + socket.inet_aton(local))
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sender.bind((local, 0))
sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, struct.pack("B", 0))

def request(n):
    tag = client + struct.pack(">I", n)
    if n % 2:
        return bytes([1]) + tag
    # A work-group query: op 3, tag, id (identity, address), sub-op 6, a zero payload length.
    return bytes([3]) + tag + bytes(6) + socket.inet_aton(device) + bytes([6, 0, 0]) + bytes(4)

answered = set()
def read_all():
    while True:
        try:
            data = receiver.recv(65536, socket.MSG_DONTWAIT)
        except BlockingIOError:
            return
        if len(data) >= 11 and data[0] in (2, 4, 7) and data[1:7] == client:
            answered.add(struct.unpack(">I", data[7:11])[0])

start = time.monotonic()
total = int(rate * seconds)
for n in range(total):
    due = start + n / rate
    while True:
        left = due - time.monotonic()
        if left <= 0:
            break
        if select.select([receiver], [], [], left)[0]:
            read_all()
    sender.sendto(request(n), ("224.0.0.1", 13579))
end = time.monotonic() + 1.0
while time.monotonic() < end:
    if select.select([receiver], [], [], max(0.0, end - time.monotonic()))[0]:
        read_all()
print("sent=%d answered=%d" % (total, len(answered)))
