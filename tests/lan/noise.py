#!/usr/bin/env python3
"""Other traffic on a segment: sends a 40-byte datagram of op 9 to the device group every
PERIOD_MS milliseconds out of LOCAL_ADDRESS, until it is stopped. Run it only inside a device
namespace of a virtual LAN.

    noise.py LOCAL_ADDRESS PERIOD_MS
"""
import socket
import struct
import sys
import time


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    local, period = sys.argv[1], float(sys.argv[2]) / 1000.0
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind((local, 0))
    sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
    sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, struct.pack("B", 0))
    datagram = bytes([9]) + bytes(39)
    due = time.monotonic()
    while True:
        sender.sendto(datagram, ("224.0.0.1", 13579))
        due += period
        time.sleep(max(0.0, due - time.monotonic()))


if __name__ == "__main__":
    main()
