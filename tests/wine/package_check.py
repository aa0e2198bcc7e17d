#!/usr/bin/env python3
"""package_check.py SCREEN.rgb WIDTH BMP...: every BMP (uncompressed, 8 or 24 bits) appears pixel
for pixel in the screenshot (raw RGB, 8 bits a channel); the missing ones go to standard error."""

import struct
import sys


def read_bmp(path):
    """Rows of RGB bytes, top row first."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    header_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if compression != 0 or bits not in (8, 24):
        raise ValueError(f"{path}: {bits} bits, compression {compression}: not supported here")
    stride = (width * bits // 8 + 3) & ~3
    if bits == 24:
        rows = [bytes(b for x in range(width) for b in data[offset + y * stride + 3 * x:offset + y * stride + 3 * x + 3][::-1])
                for y in range(abs(height))]
    else:
        colours, = struct.unpack_from("<I", data, 46)
        start = 14 + header_size
        palette = [bytes(data[start + 4 * i:start + 4 * i + 3][::-1]) for i in range(colours or 256)]
        rows = [b"".join(palette[i] for i in data[offset + y * stride:offset + y * stride + width]) for y in range(abs(height))]
    return rows if height < 0 else rows[::-1]


def find_image(screen, screen_width, rows):
    """Whether the image stands anywhere in the screenshot, every pixel the same."""
    line = screen_width * 3
    # Search for the row with the most colours: a plain row would match all over the screen.
    anchor = max(range(len(rows)), key=lambda y: len({rows[y][i:i + 3] for i in range(0, len(rows[y]), 3)}))
    at = screen.find(rows[anchor])
    while at >= 0:
        top = at - anchor * line
        if at % 3 == 0 and top >= 0 and all(screen[top + y * line:top + y * line + len(r)] == r for y, r in enumerate(rows)):
            return True
        at = screen.find(rows[anchor], at + 1)
    return False


if __name__ == "__main__":
    screen = open(sys.argv[1], "rb").read()
    missing = [p for p in sys.argv[3:] if not find_image(screen, int(sys.argv[2]), read_bmp(p))]
    for path in missing:
        print("FAIL:", path.rsplit("/", 1)[-1], "is not on the screen", file=sys.stderr)
    sys.exit(1 if missing else 0)
