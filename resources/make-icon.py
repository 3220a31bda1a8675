#!/usr/bin/env python3
"""Draws the stub's icon, a small sailing boat on a blue tile, and writes it
as slipway.ico with one 32x32 image.

The image is a 16-colour (4 bits per pixel) DIB: it loads on every Windows
the stub supports and keeps the icon under 800 bytes, which matters because
the icon travels inside every installer. Windows scales it down for captions
and the taskbar; a second, 16x16 image would cost 350 bytes more.

Usage: make-icon.py [OUTPUT]   (default: slipway.ico beside this script)
"""

import os
import struct
import sys

# Palette index -> (red, green, blue). Index 0 is what transparent pixels
# carry in the colour bits (they are masked out by the AND mask).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 transparent
    (0x1B, 0x3F, 0x73),  # 1 tile, deep blue
    (0x3C, 0x8D, 0xD6),  # 2 water, light blue
    (0xFF, 0xFF, 0xFF),  # 3 main sail, white
    (0xC8, 0xD4, 0xE0),  # 4 fore sail, pale grey
    (0xE8, 0x7A, 0x1E),  # 5 hull, orange
    (0x5A, 0x3A, 0x1A),  # 6 mast, brown
]
PALETTE += [(0, 0, 0)] * (16 - len(PALETTE))
TRANSPARENT = 0

# Shapes in unit coordinates (0..1, y down), painted in this order.
HULL = [(0.14, 0.60), (0.86, 0.60), (0.72, 0.78), (0.28, 0.78)]
MAIN_SAIL = [(0.53, 0.12), (0.53, 0.55), (0.82, 0.55)]
FORE_SAIL = [(0.47, 0.22), (0.47, 0.55), (0.22, 0.55)]
MAST = [(0.47, 0.10), (0.53, 0.10), (0.53, 0.60), (0.47, 0.60)]
WATER_TOP = 0.74
TILE_RADIUS = 0.22


def inside_polygon(x, y, polygon):
    """Even-odd rule point test."""
    inside = False
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        if (y1 > y) != (y2 > y):
            crossing = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < crossing:
                inside = not inside
    return inside


def inside_rounded_tile(x, y):
    r = TILE_RADIUS
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(x, y):
    if not inside_rounded_tile(x, y):
        return TRANSPARENT
    for shape, colour in ((HULL, 5), (MAST, 6), (MAIN_SAIL, 3), (FORE_SAIL, 4)):
        if inside_polygon(x, y, shape):
            return colour
    return 2 if y >= WATER_TOP else 1


def draw(size):
    """Rows top to bottom of palette indices, sampled at pixel centres."""
    return [[colour_at((col + 0.5) / size, (row + 0.5) / size)
             for col in range(size)] for row in range(size)]


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def icon_image(size):
    """One icon image: BITMAPINFOHEADER (double height), palette, XOR
    colour bits and the AND transparency mask, both bottom-up."""
    pixels = draw(size)
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):
        nibbles = bytearray()
        for col in range(0, size, 2):
            nibbles.append((row[col] << 4) | row[col + 1])
        colour_rows.append(padded(bytes(nibbles)))
        mask = bytearray((size + 7) // 8)
        for col, index in enumerate(row):
            if index == TRANSPARENT:
                mask[col // 8] |= 0x80 >> (col % 8)
        mask_rows.append(padded(bytes(mask)))
    colour_bits = b"".join(colour_rows)
    mask_bits = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colour_bits + mask_bits


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4,
                               len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "slipway.ico")
    with open(output, "wb") as out:
        out.write(icon_file([32]))


if __name__ == "__main__":
    main()
