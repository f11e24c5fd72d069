#!/usr/bin/env python3
"""Draws Clavitap's icon and link cursor and writes every file made from them.

Standard library only, and deterministic: running it again gives the same bytes.

  windows/clavitap.ico           the program icon: 20 uncompressed images with AND masks,
                                 8 bpp 48..16, 24 bpp 128..16, 32 bpp (alpha) 128..16
  windows/link.cur               the link labels' cursor: a 32 x 32, 16-colour pointing hand,
                                 hot spot at the fingertip (12, 1)
  icons/png/clavitap-<n>.png     the icon as PNG at 16, 22, 24, 32, 48, 64 and 128 pixels
  cursors/link.png               the link cursor's image for the Linux build, 32 x 32 RGBA (its
                                 hot spot, 12, 1, is set by the program)

Usage: make_assets.py [OUTPUT_FOLDER]   (default: the folder of this script)
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------------------------
# The artwork: a small piano keyboard with two beamed notes above it, on a 128-unit square.

OUTLINE = (32, 40, 48)
IVORY = (250, 250, 242)
EBONY = (24, 24, 28)
NOTE_BLUE = (30, 90, 210)

KEYBOARD = (6.0, 62.0, 122.0, 122.0)  # left, top, right, bottom
WHITE_KEY_COUNT = 5
BLACK_KEY_AFTER = (1, 2, 4)  # black keys on the boundaries after these white keys


def in_round_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_note_head(x, y, cx, cy):
    angle = math.radians(-25.0)
    dx, dy = x - cx, y - cy
    u = dx * math.cos(angle) + dy * math.sin(angle)
    v = -dx * math.sin(angle) + dy * math.cos(angle)
    return (u / 12.5) ** 2 + (v / 8.5) ** 2 <= 1.0


def in_beam(x, y):
    # A band from the first stem's top (x 47, y 10) to the second's (x 101, y 2), 11 units thick.
    if not 47.0 <= x <= 101.0:
        return False
    top = 10.0 + (2.0 - 10.0) * (x - 47.0) / (101.0 - 47.0)
    return top <= y <= top + 11.0


def in_note(x, y):
    if in_note_head(x, y, 38.0, 48.0) or in_note_head(x, y, 86.0, 40.0):
        return True
    if 45.5 <= x <= 50.5 and 10.0 <= y <= 47.0:
        return True
    if 93.5 <= x <= 98.5 and 2.0 <= y <= 39.0:
        return True
    return in_beam(x, y)


def paint(x, y):
    """Colour (r, g, b) of the artwork at (x, y), or None where it is transparent."""
    if in_note(x, y):
        return NOTE_BLUE
    left, top, right, bottom = KEYBOARD
    if not in_round_rect(x, y, left, top, right, bottom, 6.0):
        return None
    inner_left, inner_top, inner_right, inner_bottom = left + 3.0, top + 3.0, right - 3.0, bottom - 3.0
    key_width = (inner_right - inner_left) / WHITE_KEY_COUNT
    for boundary in BLACK_KEY_AFTER:
        bx = inner_left + boundary * key_width
        if abs(x - bx) <= 6.5 and inner_top <= y <= inner_top + 34.0:
            return EBONY
    if inner_left <= x <= inner_right and inner_top <= y <= inner_bottom:
        offset = (x - inner_left) % key_width
        if 1.2 <= offset <= key_width - 1.2:
            return IVORY
    return OUTLINE


def render(size, samples=4):
    """The artwork at `size` pixels: rows of (r, g, b, a), top row first, straight alpha."""
    scale = 128.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = paint((px + (sx + 0.5) / samples) * scale,
                                   (py + (sy + 0.5) / samples) * scale)
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------------
# Bitmaps as icon and cursor files keep them: bottom-up rows padded to 4 bytes, an AND mask after.

def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def and_mask(transparent_rows):
    """1 bpp mask, bottom-up: a set bit lets the screen show through."""
    out = b""
    for row in reversed(transparent_rows):
        bits = bytearray((len(row) + 7) // 8)
        for x, clear in enumerate(row):
            if clear:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def info_header(size, bit_count, image_bytes, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bit_count, 0, image_bytes, 0, 0,
                       colours_used, 0)


def palette_256():
    """A fixed palette: black first, the 6x6x6 colour cube, then a ramp of greys."""
    colours = [(0, 0, 0)]
    levels = (0, 51, 102, 153, 204, 255)
    colours += [(r, g, b) for r in levels for g in levels for b in levels]
    while len(colours) < 256:
        grey = round(255 * (len(colours) - 217) / 38)
        colours.append((grey, grey, grey))
    return colours


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][c] - colour[c]) ** 2 for c in range(3)))


def icon_image(rows, bit_count):
    size = len(rows)
    clear = [[pixel[3] < 128 for pixel in row] for row in rows]
    if bit_count == 8:
        palette = palette_256()
        cache = {}
        pixels = b""
        for row, row_clear in zip(reversed(rows), reversed(clear)):
            out = bytearray()
            for pixel, is_clear in zip(row, row_clear):
                if is_clear:
                    out.append(0)
                else:
                    key = pixel[:3]
                    if key not in cache:
                        cache[key] = nearest(palette, key)
                    out.append(cache[key])
            pixels += padded(bytes(out))
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
        body = table + pixels
        colours_used = 256
    elif bit_count == 24:
        pixels = b""
        for row, row_clear in zip(reversed(rows), reversed(clear)):
            out = bytearray()
            for (r, g, b, _), is_clear in zip(row, row_clear):
                out += bytes((0, 0, 0)) if is_clear else bytes((b, g, r))
            pixels += padded(bytes(out))
        body = pixels
        colours_used = 0
    else:
        pixels = b""
        for row in reversed(rows):
            pixels += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        body = pixels
        clear = [[pixel[3] == 0 for pixel in row] for row in rows]
        colours_used = 0
    mask = and_mask(clear)
    pixel_bytes = len(body) - (1024 if bit_count == 8 else 0) + len(mask)
    return info_header(size, bit_count, pixel_bytes, colours_used) + body + mask


ICON_IMAGES = [(8, s) for s in (48, 32, 24, 16)] + \
              [(24, s) for s in (128, 96, 72, 64, 48, 32, 24, 16)] + \
              [(32, s) for s in (128, 96, 72, 64, 48, 32, 24, 16)]


def icon_file(renders):
    images = [icon_image(renders[size], bits) for bits, size in ICON_IMAGES]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for (bits, size), image in zip(ICON_IMAGES, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(image),
                               offset)
        offset += len(image)
    return header + entries + b"".join(images)


# ---------------------------------------------------------------------------------------------
# The link cursor: a white pointing hand with a black outline, drawn on the 32 x 32 pixel grid.

HOT_SPOT = (12, 1)
FINGERS = ((10, 14, 1), (15, 18, 10), (19, 22, 11), (23, 25, 13))  # left, right, top row
FINGER_GAPS = ((15, 11), (19, 12), (23, 14))  # column, first row of the dark line down to the palm


def in_hand(x, y):
    for left, right, top in FINGERS:
        if left <= x <= right and top <= y <= 16:
            corner = y == top and (x == left or x == right)
            if not corner:
                return True
    if 10 <= x <= 25 and 15 <= y <= 27:
        return True
    if 12 <= x <= 24 and 28 <= y <= 30:
        return True
    if 6 <= x <= 9 and 17 <= y <= 23:
        return True
    return x == 5 and 18 <= y <= 21


def cursor_pixels():
    """Rows of palette indices (0 black, 15 white) or None for transparent."""
    rows = []
    for y in range(32):
        row = []
        for x in range(32):
            if not in_hand(x, y):
                row.append(None)
                continue
            edge = not all(in_hand(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            gap = any(x == column and first <= y <= 16 for column, first in FINGER_GAPS)
            row.append(0 if edge or gap else 15)
        rows.append(row)
    return rows


VGA_16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
          (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
          (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def cursor_file():
    rows = cursor_pixels()
    pixels = b""
    for row in reversed(rows):
        out = bytearray(16)
        for x, index in enumerate(row):
            value = index or 0
            out[x // 2] |= value << (4 if x % 2 == 0 else 0)
        pixels += padded(bytes(out))
    mask = and_mask([[index is None for index in row] for row in rows])
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA_16)
    image = info_header(32, 4, len(pixels) + len(mask), 16) + table + pixels + mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, HOT_SPOT[0], HOT_SPOT[1], len(image),
                        len(header) + 16)
    return header + entry + image


# ---------------------------------------------------------------------------------------------
# PNG, 8-bit RGBA, no time stamp, so the bytes depend on the pixels only.

def cursor_rgba():
    """The link cursor as rows of (r, g, b, a), in its own black and white."""
    colours = {0: VGA_16[0] + (255,), 15: VGA_16[15] + (255,), None: (0, 0, 0, 0)}
    return [[colours[index] for index in row] for row in cursor_pixels()]


def png_file(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + \
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    size = len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(pixel) for pixel in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


PNG_SIZES = (16, 22, 24, 32, 48, 64, 128)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    sizes = sorted({size for _, size in ICON_IMAGES} | set(PNG_SIZES))
    renders = {size: render(size) for size in sizes}
    outputs = {os.path.join("windows", "clavitap.ico"): icon_file(renders),
               os.path.join("windows", "link.cur"): cursor_file(),
               os.path.join("cursors", "link.png"): png_file(cursor_rgba())}
    for size in PNG_SIZES:
        outputs[os.path.join("icons", "png", "clavitap-%d.png" % size)] = png_file(renders[size])
    for name, data in outputs.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
