#!/usr/bin/env python3
"""noise.py LOCAL_ADDRESS PERIOD_MS: a 40-byte datagram of op 9 to the device group every
PERIOD_MS out of LOCAL_ADDRESS until stopped. Only inside a device namespace of a virtual LAN."""
import socket
import struct
import sys
import time

local, period = sys.argv[1], float(sys.argv[2]) / 1000.0
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sender.bind((local, 0))
sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, struct.pack("B", 0))
due = time.monotonic()
while True:
    sender.sendto(bytes([9]) + bytes(39), ("224.0.0.1", 13579))
    due += period
    time.sleep(max(0.0, due - time.monotonic()))
