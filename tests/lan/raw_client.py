#!/usr/bin/env python3
"""A bare client of the adapters' protocol for testing the emulator itself: sends the given
request datagrams out of one local address to the device group and prints every datagram
that arrives on that address within the wait, one line each:

    <source ip>:<port> len=<n> <hex>

Run it only inside the client namespace of a virtual LAN.

    raw_client.py LOCAL_ADDRESS WAIT_MS HEX [HEX ...]
"""
import select
import socket
import struct
import sys
import time

GROUP = "224.0.0.1"
PORT = 13579
IP_MULTICAST_ALL = 49  # Linux; not exported by every Python


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    local, wait_ms, requests = sys.argv[1], int(sys.argv[2]), sys.argv[3:]

    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    receiver.setsockopt(socket.IPPROTO_IP, IP_MULTICAST_ALL, 0)
    receiver.bind(("0.0.0.0", PORT))
    membership = socket.inet_aton(GROUP) + socket.inet_aton(local)
    receiver.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)

    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
    sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, struct.pack("B", 0))
    for request in requests:
        sender.sendto(bytes.fromhex(request), (GROUP, PORT))

    deadline = time.monotonic() + wait_ms / 1000.0
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            break
        readable, _, _ = select.select([receiver], [], [], left)
        if readable:
            data, (address, port) = receiver.recvfrom(65536)
            print("%s:%d len=%d %s" % (address, port, len(data), data.hex()), flush=True)


if __name__ == "__main__":
    main()
