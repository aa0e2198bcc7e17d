#!/usr/bin/env python3
"""Draws Vidudi's skin: the face bitmaps embedded in the program, the run-time images of
the "res" folder (window backgrounds, section-bar buttons) and the application icon.

    python3 res/make_images.py            # rewrites the files in res/ and res/faces/
    python3 res/make_images.py --no-rle   # the two backgrounds uncompressed (600 KB more)

Pixels, palettes and the BMP/ICO bytes are all made here. Only the lettering is
rasterised by ImageMagick's `convert` (DejaVu Sans), as 8-bit coverage masks; the
masks are then cut to a few levels so that every picture fits a 256-colour palette.
Running the script again gives byte-identical files.

The two window backgrounds are BI_RLE8 (about 30 KB instead of 600 KB); they are only
ever read through the picture loader, which takes RLE bitmaps as well as plain ones. The
section-button images and the embedded faces stay uncompressed: they are loaded into DIB
sections, and at a few KB each there is nothing to gain from asking the loader to expand
RLE.
"""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_BOOK = os.path.join(FONT_DIR, "DejaVuSans.ttf")

# Palette of the skin. BAR_GREEN is also the brush the window returns for the section
# buttons, so the bar panel behind them must be exactly this colour.
BAR_GREEN = (96, 145, 56)
DARK_GREEN = (46, 86, 28)
DEEP_GREEN = (36, 70, 20)
MID_GREEN = (76, 122, 44)
EDGE_GREEN = (54, 96, 30)
PALE_GREEN = (150, 200, 90)
PAPER = (255, 255, 255)          # content panel: the labels paint white behind their text
PAPER_EDGE = (170, 196, 146)
BASE = (232, 238, 226)           # window background around the panels
WHITE = (255, 255, 255)
INK = (34, 52, 26)

TEXT_LEVELS = 8                  # coverage steps kept from the antialiased lettering


# --------------------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.px = [colour] * (width * height)

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = colour

    def get(self, x, y):
        return self.px[y * self.width + x]

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the half-open rectangle [x0, x1) x [y0, y1)."""
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[row + x] = colour

    def gradient(self, x0, y0, x1, y1, top, bottom, steps=12, radius=0):
        """Vertical gradient in a few bands (keeps the colour count low)."""
        h = max(1, y1 - y0)
        for y in range(y0, y1):
            band = min(steps - 1, (y - y0) * steps // h)
            t = band / (steps - 1) if steps > 1 else 0.0
            colour = mix(top, bottom, t)
            for x in range(x0, x1):
                if radius and outside_round_corner(x - x0, y - y0, x1 - x0, h, radius):
                    continue
                self.put(x, y, colour)

    def round_rect(self, x0, y0, x1, y1, colour, radius):
        self.gradient(x0, y0, x1, y1, colour, colour, steps=1, radius=radius)

    def frame(self, x0, y0, x1, y1, colour, radius=0, width=1):
        """Outline of the rectangle; with a radius the corners are cut diagonally."""
        for i in range(width):
            ax0, ay0, ax1, ay1 = x0 + i, y0 + i, x1 - 1 - i, y1 - 1 - i
            r = max(0, radius - i)
            for x in range(ax0 + r, ax1 - r + 1):
                self.put(x, ay0, colour)
                self.put(x, ay1, colour)
            for y in range(ay0 + r, ay1 - r + 1):
                self.put(ax0, y, colour)
                self.put(ax1, y, colour)
            for k in range(r):
                self.put(ax0 + k, ay0 + r - k, colour)
                self.put(ax1 - k, ay0 + r - k, colour)
                self.put(ax0 + k, ay1 - r + k, colour)
                self.put(ax1 - k, ay1 - r + k, colour)

    def blend_mask(self, mask, x0, y0, colour):
        w, h, cov = mask
        for y in range(h):
            for x in range(w):
                a = cov[y * w + x]
                if a == 0:
                    continue
                level = (a * TEXT_LEVELS + 127) // 255
                if level == 0:
                    continue
                px, py = x0 + x, y0 + y
                if 0 <= px < self.width and 0 <= py < self.height:
                    self.put(px, py, mix(self.get(px, py), colour, level / TEXT_LEVELS))

    def text(self, s, font, size, colour, x, y, w=None, h=None, align="left"):
        """Draws s in the box (x, y, w, h): horizontally by align, vertically centred on
        the line height of the font, so words with and without descenders line up."""
        mask = text_mask(s, font, size)
        mw, mh, _ = mask
        ink0, ink1 = ink_columns(mask)
        ink_w = ink1 - ink0
        if w is None:
            left = x - ink0
        elif align == "center":
            left = x + (w - ink_w) // 2 - ink0
        elif align == "right":
            left = x + w - ink_w - ink0
        else:
            left = x - ink0
        top = y if h is None else y + (h - mh + 1) // 2
        self.blend_mask(mask, left, top, colour)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def outside_round_corner(x, y, w, h, r):
    """True for the pixels cut off a rounded corner of radius r (chamfer-like at small r)."""
    cx = r - 1 - x if x < r else x - (w - r) if x >= w - r else None
    cy = r - 1 - y if y < r else y - (h - r) if y >= h - r else None
    if cx is None or cy is None:
        return False
    return (cx + 0.5) ** 2 + (cy + 0.5) ** 2 > r * r


# --------------------------------------------------------------------------- lettering

_MASKS = {}


def text_mask(s, font, size):
    """Coverage mask (width, height, bytes) of one line of text, from ImageMagick."""
    key = (s, font, size)
    if key not in _MASKS:
        out = subprocess.run(
            ["convert", "-density", "72", "-background", "black", "-fill", "white",
             "-font", font, "-pointsize", str(size), "label:" + s,
             "-colorspace", "Gray", "-depth", "8", "pgm:-"],
            check=True, stdout=subprocess.PIPE).stdout
        _MASKS[key] = parse_pgm(out)
    return _MASKS[key]


def parse_pgm(data):
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P5" or int(fields[3]) != 255:
        sys.exit("unexpected output from convert")
    w, h = int(fields[1]), int(fields[2])
    return (w, h, data[pos:pos + w * h])


def ink_columns(mask):
    w, h, cov = mask
    cols = [x for x in range(w) if any(cov[y * w + x] > 40 for y in range(h))]
    return (cols[0], cols[-1] + 1) if cols else (0, 0)


# --------------------------------------------------------------------------- file formats

def bmp_24(canvas):
    stride = (canvas.width * 3 + 3) & ~3
    rows = []
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.get(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    return bmp_headers(canvas.width, canvas.height, 24, 0, b"", bits)


def palette_of(canvas):
    colours = sorted(set(canvas.px))
    if len(colours) > 256:
        sys.exit("%d colours do not fit a palette" % len(colours))
    return colours


def bmp_8(canvas, rle=False):
    colours = palette_of(canvas)
    index = {c: i for i, c in enumerate(colours)}
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in colours)
    rows = []
    for y in range(canvas.height - 1, -1, -1):
        rows.append(bytes(index[canvas.get(x, y)] for x in range(canvas.width)))
    if rle:
        bits = rle8(rows)
        compression = 1
    else:
        stride = (canvas.width + 3) & ~3
        bits = b"".join(r + bytes(stride - len(r)) for r in rows)
        compression = 0
    return bmp_headers(canvas.width, canvas.height, 8, compression, pal, bits,
                       len(colours))


def rle8(rows):
    """BI_RLE8: runs as (count, index); other stretches in absolute mode, word aligned."""
    out = bytearray()
    for row in rows:
        i, n = 0, len(row)
        while i < n:
            run = 1
            while i + run < n and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 3 or n - i < 3:
                out += bytes((run, row[i]))
                i += run
                continue
            # Literal stretch up to the next run of three.
            j = i
            while j < n and j - i < 255:
                if j + 2 < n and row[j] == row[j + 1] == row[j + 2]:
                    break
                j += 1
            if j - i < 3:
                for k in range(i, j):
                    out += bytes((1, row[k]))
            else:
                out += bytes((0, j - i)) + row[i:j]
                if (j - i) & 1:
                    out += b"\0"
            i = j
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def bmp_headers(w, h, bpp, compression, palette, bits, used=0):
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, compression, len(bits),
                       2835, 2835, used, used)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return head + info + palette + bits


def ico(images):
    """ICO of 32-bit images, each given as (size, rgba rows top to bottom)."""
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for size, rgba in images:
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b"".join(bytes((b, g, r, a)) for row in reversed(rgba) for (r, g, b, a) in row)
        mask_stride = ((size + 31) // 32) * 4
        and_rows = b""
        for row in reversed(rgba):
            bitsrow = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a < 128:
                    bitsrow[x // 8] |= 0x80 >> (x % 8)
            and_rows += bytes(bitsrow)
        blob = info + xor + and_rows
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                               len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def write(relpath, data):
    path = os.path.join(HERE, relpath)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# --------------------------------------------------------------------------- pictures

def section_button(label, on):
    """One 114 x 20 section-bar image on the bar's green."""
    c = Canvas(114, 20, BAR_GREEN)
    if on:
        c.gradient(0, 0, 114, 20, WHITE, (214, 236, 190), steps=10, radius=4)
        c.frame(0, 0, 114, 20, DEEP_GREEN, radius=2)
        for k in range(4):                       # marker of the current section
            c.fill(7 + k, 6 + k, 8 + k, 14 - k, DEEP_GREEN)
        c.text(label, FONT_BOLD, 11, DEEP_GREEN, 6, 0, 108, 20, "center")
    else:
        c.gradient(0, 0, 114, 20, (124, 172, 82), (86, 134, 48), steps=10, radius=4)
        c.frame(0, 0, 114, 20, EDGE_GREEN, radius=2)
        c.fill(3, 1, 111, 2, (158, 200, 116))
        c.text(label, FONT_BOLD, 11, WHITE, 0, 0, 114, 20, "center")
    return c


def face(label, width, hover, behind=PAPER):
    """Face of a small owner-drawn button: solid green normally, pale and outlined
    while the mouse is over it."""
    c = Canvas(width, 21, behind)
    if hover:
        c.gradient(0, 0, width, 21, WHITE, (206, 232, 178), steps=10, radius=4)
        c.frame(0, 0, width, 21, DEEP_GREEN, radius=2, width=2)
        c.text(label, FONT_BOLD, 11, DEEP_GREEN, 0, 0, width, 21, "center")
    else:
        c.gradient(0, 0, width, 21, (120, 170, 78), (78, 124, 42), steps=10, radius=4)
        c.frame(0, 0, width, 21, EDGE_GREEN, radius=2)
        c.fill(3, 1, width - 3, 2, (160, 202, 118))
        c.text(label, FONT_BOLD, 11, WHITE, 0, 0, width, 21, "center")
    return c


def nas_glyph(c, x, y, scale, body=(58, 66, 74), front=(88, 98, 108), slot=(150, 160, 170)):
    """A small storage box with two drive bays and two lamps, 22 x 26 units."""
    s = scale
    c.round_rect(x, y, x + 22 * s, y + 26 * s, body, 3 * s)
    c.round_rect(x + 2 * s, y + 2 * s, x + 20 * s, y + 24 * s, front, 2 * s)
    for bay in (0, 1):
        by = y + (4 + bay * 7) * s
        c.fill(x + 4 * s, by, x + 18 * s, by + 5 * s, slot)
        c.fill(x + 6 * s, by + 2 * s, x + 16 * s, by + 3 * s, body)
    c.fill(x + 4 * s, y + 19 * s, x + 7 * s, y + 21 * s, (120, 210, 70))
    c.fill(x + 9 * s, y + 19 * s, x + 12 * s, y + 21 * s, (90, 170, 230))


# The window draws a background picture stretched over its client area, which is the
# outer size less the caption and frame. The layout below is given in client pixels (the
# places where the program puts its controls) and scaled to the picture by these helpers.
MAIN_PICTURE, MAIN_CLIENT = (801, 592), (795, 564)
LOGIN_PICTURE, LOGIN_CLIENT = (447, 280), (441, 252)


def scaler(picture, client):
    def to_picture(x, y):
        return (x * picture[0] + client[0] // 2) // client[0], \
               (y * picture[1] + client[1] // 2) // client[1]
    return to_picture


def main_background():
    p = scaler(MAIN_PICTURE, MAIN_CLIENT)
    c = Canvas(*MAIN_PICTURE, BASE)
    c.gradient(0, 150, 801, 592, (236, 241, 231), (214, 224, 204), steps=24)
    # Header band with the product name.
    c.gradient(0, 0, 801, 150, DEEP_GREEN, MID_GREEN, steps=16)
    c.fill(0, 150, 801, 154, PALE_GREEN)
    c.text("Norvane Vidudi", FONT_BOLD, 40, WHITE, 43, 40)
    c.text("Network storage adapters on your LAN", FONT_BOOK, 16, (206, 232, 178), 46, 96)
    for i, shade in enumerate(((70, 112, 42), (84, 128, 50), (98, 144, 60))):
        nas_glyph(c, 530 + i * 76, 38, 3, body=shade,
                  front=mix(shade, WHITE, 0.18), slot=mix(shade, WHITE, 0.45))
    # Section bar: the buttons sit at x 43..157, y 238..432 of the client area.
    x0, y0 = p(25, 168)
    x1, y1 = p(176, 536)
    c.round_rect(x0, y0, x1, y1, BAR_GREEN, 10)
    x0, y0 = p(43, 192)
    x1, _ = p(157, 0)
    c.fill(x0, y0, x1, y0 + 2, (128, 172, 88))
    _, ty0 = p(0, 197)
    _, ty1 = p(0, 217)
    c.text("SECTIONS", FONT_BOLD, 11, (206, 232, 178), x0, ty0, x1 - x0, ty1 - ty0, "center")
    _, y0 = p(0, 450)
    c.fill(x0, y0, x1, y0 + 2, (128, 172, 88))
    # Content area around the lists and fields (x 216..710, y 186..406); the labels are
    # drawn on it in the default black.
    x0, y0 = p(198, 174)
    x1, y1 = p(728, 418)
    c.round_rect(x0, y0, x1, y1, PAPER, 8)
    c.frame(x0, y0, x1, y1, PAPER_EDGE, radius=3)
    # Footer.
    _, y0 = p(0, 542)
    c.fill(0, y0, 801, 592, DEEP_GREEN)
    c.text("Copyright (C) Norvane", FONT_BOOK, 11, (176, 214, 140), 43, y0, None, 592 - y0)
    c.text("Version 1.0.0.0", FONT_BOOK, 11, (176, 214, 140), 620, y0, 138, 592 - y0,
           "right")
    return c


def login_background():
    p = scaler(LOGIN_PICTURE, LOGIN_CLIENT)
    c = Canvas(*LOGIN_PICTURE, BASE)
    c.gradient(0, 64, 447, 280, (236, 241, 231), (214, 224, 204), steps=16)
    c.gradient(0, 0, 447, 64, DEEP_GREEN, MID_GREEN, steps=10)
    c.fill(0, 64, 447, 67, PALE_GREEN)
    nas_glyph(c, 16, 19, 1, body=(70, 112, 42), front=(96, 140, 62), slot=(170, 204, 140))
    c.text("Login", FONT_BOLD, 22, WHITE, 50, 10)
    c.text("Norvane Vidudi", FONT_BOOK, 12, (206, 232, 178), 51, 38)
    # Form panel: the fields sit at x 144 (y 90 and 128), the buttons at x 315 (y 92 and
    # 130) of the client area; the labels of the dialog are hidden, so they are drawn here.
    x0, y0 = p(20, 76)
    x1, y1 = p(427, 170)
    c.round_rect(x0, y0, x1, y1, PAPER, 6)
    c.frame(x0, y0, x1, y1, PAPER_EDGE, radius=2)
    for label, top in (("User name :", 90), ("Password :", 128)):
        lx0, ly0 = p(30, top)
        lx1, ly1 = p(136, top + 26)
        c.text(label, FONT_BOLD, 12, INK, lx0, ly0, lx1 - lx0, ly1 - ly0, "right")
    _, y0 = p(0, 180)
    c.text("Type the user name and password, then press OK.", FONT_BOOK, 11,
           (70, 96, 58), 20, y0, 407, 20, "center")
    return c


def icon_image(size):
    """RGBA rows of the application icon: the storage box, drawn for 32 or 16 pixels."""
    clear = (0, 0, 0)
    c = Canvas(size, size, clear)
    alpha = Canvas(size, size, (0, 0, 0))
    if size == 32:
        parts = [(5, 3, 27, 30, (40, 46, 52), 4), (6, 4, 26, 29, (70, 80, 90), 3)]
        bays = [(8, 7, 24, 12), (8, 14, 24, 19)]
        lamps = [(8, 23, 11, 26, (120, 214, 70)), (13, 23, 16, 26, (90, 170, 230))]
        base = (3, 28, 29, 31)
    else:
        parts = [(2, 1, 14, 15, (40, 46, 52), 2), (3, 2, 13, 14, (70, 80, 90), 1)]
        bays = [(4, 3, 12, 6), (4, 7, 12, 10)]
        lamps = [(4, 11, 6, 13, (120, 214, 70)), (7, 11, 9, 13, (90, 170, 230))]
        base = None
    if base:
        x0, y0, x1, y1 = base
        c.round_rect(x0, y0, x1, y1, (96, 145, 56), 1)
        alpha.round_rect(x0, y0, x1, y1, (255, 255, 255), 1)
    for x0, y0, x1, y1, colour, r in parts:
        c.round_rect(x0, y0, x1, y1, colour, r)
        alpha.round_rect(x0, y0, x1, y1, (255, 255, 255), r)
    for x0, y0, x1, y1 in bays:
        c.fill(x0, y0, x1, y1, (168, 178, 188))
        c.fill(x0, y0, x1, y0 + 1, (214, 220, 226))
        mid = (y0 + y1) // 2
        c.fill(x0 + 2, mid, x1 - 2, mid + 1, (60, 68, 76))
    for x0, y0, x1, y1, colour in lamps:
        c.fill(x0, y0, x1, y1, colour)
    return [[c.get(x, y) + (alpha.get(x, y)[0],) for x in range(size)]
            for y in range(size)]


def main():
    use_rle = "--no-rle" not in sys.argv
    faces = [
        ("faces/mount_hover.bmp", "Mount", 80, True, 24),
        ("faces/mount.bmp", "Mount", 80, False, 24),
        ("faces/unmount_hover.bmp", "Unmount", 80, True, 8),
        ("faces/unmount.bmp", "Unmount", 80, False, 8),
        ("faces/modify_hover.bmp", "Modify", 80, True, 24),
        ("faces/modify.bmp", "Modify", 80, False, 24),
        ("faces/ok_hover.bmp", "OK", 79, True, 24),
        ("faces/ok.bmp", "OK", 79, False, 24),
        ("faces/cancel_hover.bmp", "Cancel", 80, True, 24),
        ("faces/cancel.bmp", "Cancel", 80, False, 24),
    ]
    for path, label, width, hover, bpp in faces:
        c = face(label, width, hover)
        write(path, bmp_24(c) if bpp == 24 else bmp_8(c))

    buttons = [
        ("search", "search_on", "Refresh"),
        ("find_device_normal", "find_device_over", "Find Device"),
        ("device_setting", "device_setting_on", "Device Setting"),
        ("ip_setting", "ip_setting_on", "IP Setting"),
        ("mount", "mount_on", "Map Drive"),
        ("management", "management_on", "Configuration"),
        ("about", "about_on", "About"),
        ("exit", "exit_on", "Exit"),
    ]
    for normal, highlighted, label in buttons:
        write(normal + ".bmp", bmp_8(section_button(label, False)))
        write(highlighted + ".bmp", bmp_8(section_button(label, True)))

    write("Norvane_bkgnd.bmp", bmp_8(main_background(), rle=use_rle))
    write("bk_login.bmp", bmp_8(login_background(), rle=use_rle))
    write("vidudi.ico", ico([(32, icon_image(32)), (16, icon_image(16))]))


if __name__ == "__main__":
    main()
