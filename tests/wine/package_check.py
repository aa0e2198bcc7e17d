#!/usr/bin/env python3
"""Checks of the Windows package that read files, for package_test.sh.

    package_check.py version VERSION EXE...
        each program's version record: the fixed numbers and the texts of StringFileInfo
    package_check.py images SCREEN.rgb WIDTH HEIGHT BMP...
        every BMP (uncompressed, 8 or 24 bits) appears pixel for pixel in the screenshot
        (raw RGB, 8 bits a channel)

Exit status 0 when every check holds; the failures go to standard error.
"""

import re
import struct
import sys


def version_failures(version, path):
    data = open(path, "rb").read()
    name = path.replace("\\", "/").rsplit("/", 1)[-1]
    failures = []
    # VS_FIXEDFILEINFO: signature, struct version, then file and product version (MS, LS).
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return [f"{name}: no version record"]
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", data, at + 8)
    want = [int(part) for part in version.split(".")]
    for what, ms, ls in (("file", file_ms, file_ls), ("product", product_ms, product_ls)):
        got = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
        if got != want:
            failures.append(f"{name}: {what} version {got}, expected {want}")

    # A String of StringFileInfo: UTF-16 key, NUL, padding to 32 bits, UTF-16 value, NUL.
    def value(key):
        pattern = re.escape(key.encode("utf-16-le")) + b"\x00\x00(?:\x00\x00)?((?:(?!\x00\x00)..)*)\x00\x00"
        found = re.search(pattern, data, re.DOTALL)
        return found.group(1).decode("utf-16-le") if found else None

    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "ProductName": "Norvane Vidudi",
        "CompanyName": "Norvane",
        "OriginalFilename": name,
    }
    for key, want_text in expected.items():
        got = value(key)
        if got != want_text:
            failures.append(f"{name}: {key} is {got!r}, expected {want_text!r}")
    for key in ("FileDescription", "LegalCopyright"):
        if not value(key):
            failures.append(f"{name}: no {key}")
    return failures


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
    failures = []
    if len(argv) >= 3 and argv[1] == "version":
        for path in argv[3:]:
            failures += version_failures(argv[2], path)
    elif len(argv) >= 5 and argv[1] == "images":
        screen = open(argv[2], "rb").read()
        width = int(argv[3])
        for path in argv[5:]:
            if not find_image(screen, width, read_bmp(path)):
                failures.append(f"{path.rsplit('/', 1)[-1]} is not on the screen")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
