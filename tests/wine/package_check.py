#!/usr/bin/env python3
"""For package_test.sh: package_check.py images SCREEN.rgb WIDTH HEIGHT BMP...
Every BMP (uncompressed, 8 or 24 bits) appears pixel for pixel in the screenshot (raw RGB, 8 bits
a channel). Exit status 0 when all do; the missing ones go to standard error.
"""

import struct
import sys


def read_bmp(path):
    """Rows of RGB bytes, top row first."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if compression != 0 or bits not in (8, 24):
        raise ValueError(f"{path}: {bits} bits, compression {compression}: not supported here")
    palette = []
    if bits == 8:
        header_size, = struct.unpack_from("<I", data, 14)
        colours, = struct.unpack_from("<I", data, 46)
        start = 14 + header_size
        for i in range(colours or 256):
            b, g, r, _ = data[start + 4 * i:start + 4 * i + 4]
            palette.append(bytes((r, g, b)))
    stride = (width * bits // 8 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = data[offset + y * stride:offset + y * stride + width * bits // 8]
        if bits == 8:
            rows.append(b"".join(palette[index] for index in row))
        else:
            rows.append(b"".join(bytes((row[i + 2], row[i + 1], row[i])) for i in range(0, len(row), 3)))
    return rows if height < 0 else rows[::-1]


def find_image(screen, screen_width, rows):
    """Whether the image stands anywhere in the screenshot, every pixel the same."""
    line = screen_width * 3
    # Search for the row with the most colours: a plain row would match all over the screen.
    anchor = max(range(len(rows)), key=lambda y: len({rows[y][i:i + 3] for i in range(0, len(rows[y]), 3)}))
    start = 0
    while True:
        at = screen.find(rows[anchor], start)
        if at < 0:
            return False
        start = at + 1
        top = at - anchor * line
        if at % 3 or top < 0:
            continue
        if all(screen[top + y * line:top + y * line + len(row)] == row for y, row in enumerate(rows)):
            return True


def main(argv):
    if len(argv) < 5 or argv[1] != "images":
        print(__doc__, file=sys.stderr)
        return 2
    screen = open(argv[2], "rb").read()
    failures = [p for p in argv[5:] if not find_image(screen, int(argv[3]), read_bmp(p))]
    for path in failures:
        print("FAIL:", path.rsplit("/", 1)[-1], "is not on the screen", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
