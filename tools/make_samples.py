#!/usr/bin/env python3
"""Draws the demo's sample wallpapers: 640x480 bitmaps, 24 bits per pixel.

    make_samples.py FOLDER
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 640, 480


def write_bitmap(path, pixel):
    """pixel(x, y) gives (r, g, b) for y counted from the top."""
    stride = (WIDTH * 3 + 3) & ~3
    rows = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bitmaps are stored bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def sunrise(x, y):
    """An orange sky over a dark sea, with the sun on the horizon."""
    horizon = HEIGHT * 0.62
    if (x - WIDTH / 2) ** 2 + (y - horizon) ** 2 < 70 ** 2 and y < horizon:
        return 255, 236, 120
    if y < horizon:
        t = y / horizon
        return int(40 + 215 * t), int(30 + 120 * t), int(110 - 60 * t)
    t = (y - horizon) / (HEIGHT - horizon)
    shimmer = 30 if abs(x - WIDTH / 2) < 60 * (1 - t) and int(y) % 6 < 2 else 0
    return int(60 - 40 * t + shimmer), int(40 - 20 * t + shimmer), int(90 - 40 * t)


def meadow(x, y):
    """A blue sky over rolling green hills."""
    hill = HEIGHT * 0.55 + 40 * math.sin(x / 90.0) + 20 * math.sin(x / 37.0)
    if y > hill:
        shade = int(20 * math.sin((x + y) / 25.0))
        return 40 + shade, 150 + shade, 50
    t = y / hill
    return int(90 + 100 * t), int(150 + 80 * t), 255


def tiles(x, y):
    """Tiles in the sixteen colours of a Windows palette."""
    palette = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    if x % 80 < 4 or y % 80 < 4:
        return 255, 255, 255
    return palette[(x // 80 + 3 * (y // 80)) % 16]


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, pixel in (("sunrise", sunrise), ("meadow", meadow), ("tiles", tiles)):
        write_bitmap(os.path.join(folder, name + ".bmp"), pixel)


if __name__ == "__main__":
    main()
