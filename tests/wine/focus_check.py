#!/usr/bin/env python3
"""focus_check.py SCREEN.rgb WIDTH LEFT TOP W H BMP: the control at LEFT TOP (W x H, on the
screen) shows the BMP with a dotted focus rectangle over it, as Windows draws one: every pixel
that differs from the image lies on one rectangle inside the control, and they cover at least
a third of its outline, every other pixel or more (DrawFocusRect inverts a dotted pattern)."""

import sys

from package_check import read_bmp


def main(screen_path, screen_width, left, top, width, height, bmp):
    screen = open(screen_path, "rb").read()
    rows = read_bmp(bmp)
    line = screen_width * 3
    differ = set()
    for y in range(height):
        for x in range(width):
            at = (top + y) * line + (left + x) * 3
            if screen[at:at + 3] != rows[y][3 * x:3 * x + 3]:
                differ.add((x, y))
    if not differ:
        sys.exit("no focus rectangle: the control shows its image alone")
    xs, ys = [x for x, _ in differ], [y for _, y in differ]
    x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
    outline = {(x, y) for x in range(x0, x1 + 1) for y in (y0, y1)} | {(x, y) for y in range(y0, y1 + 1) for x in (x0, x1)}
    stray = differ - outline
    if stray or x1 - x0 < 4 or y1 - y0 < 4 or x0 == 0 or y0 == 0 or x1 == width - 1 or y1 == height - 1:
        sys.exit(f"not a focus rectangle inside the control: {len(differ)} pixels differ in {x0},{y0}..{x1},{y1}, "
                 f"{len(stray)} off its outline")
    if 3 * len(differ) < len(outline):
        sys.exit(f"only {len(differ)} of the {len(outline)} pixels of the outline {x0},{y0}..{x1},{y1} differ")
    print(f"focus rectangle {x0},{y0}..{x1},{y1} ({len(differ)} of {len(outline)} outline pixels)")


if __name__ == "__main__":
    if len(sys.argv) != 8:
        sys.exit(__doc__)
    main(sys.argv[1], *map(int, sys.argv[2:7]), sys.argv[7])
