#!/usr/bin/env python3
"""Draws the Hello example's wizard banner: banner.bmp, 500 x 60 pixels,
256 colours (the size and kind the wizard frame shows best).

    python3 make-banner.py [OUT]

A morning sky over the sea with the sun rising at the right. Integer
arithmetic only, so every run writes the same bytes.
"""
import struct
import sys

WIDTH, HEIGHT = 500, 60


def palette():
    """Three ramps of 80 shades: sky, sea, sun; then white and dark blue."""
    def ramp(a, b, n):
        return [tuple((a[k] * (n - 1 - i) + b[k] * i + (n - 1) // 2) // (n - 1) for k in range(3)) for i in range(n)]
    colours = ramp((255, 255, 255), (255, 214, 153), 80)      # 0..79 sky, white to warm
    colours += ramp((120, 170, 210), (25, 70, 120), 80)       # 80..159 sea, light to deep
    colours += ramp((255, 236, 140), (240, 120, 30), 80)      # 160..239 sun, centre to rim
    colours += [(255, 255, 255)] * 15 + [(20, 50, 90)]        # 240..255
    return colours


def pixel(x, y):
    """Colour index at x, y (y counts from the top)."""
    horizon = 38
    sun_x, sun_y, radius = 430, horizon + 4, 26
    dx, dy = x - sun_x, y - sun_y
    distance2 = dx * dx + dy * dy
    if y == HEIGHT - 1:
        return 255                                   # a dark rule along the bottom
    if y < horizon:
        if distance2 <= radius * radius:
            return 160 + 79 * distance2 // (radius * radius)
        return 79 * x // WIDTH * y // horizon         # warmer towards the sun and the sea
    depth = y - horizon
    shade = 80 + 79 * depth // (HEIGHT - horizon)
    # Glitter of the sun on the water, and a few long swells.
    if abs(dx) < 30 - depth and (x + 3 * depth) % 7 == 0:
        return 170
    if (x + 9 * depth) % 61 < 2:
        return min(159, shade + 12)
    return shade


def bmp():
    colours = palette()
    rows = b"".join(bytes(pixel(x, y) for x in range(WIDTH)) for y in reversed(range(HEIGHT)))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    return header + info + table + rows


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "banner.bmp"
    with open(out, "wb") as f:
        f.write(bmp())
