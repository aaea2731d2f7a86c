#!/usr/bin/env python3
"""Builds a Windows .ico file from a text picture.

The picture has palette lines, "key #RRGGBB name", for up to 16 colours,
then one row of keys for each line of pixels; '.' is transparent. Lines
starting with '#' are comments. The icon holds one image of the picture's
size at 4 bits per pixel.

    make_icon.py picture.txt out.ico
"""
import struct
import sys


def read_picture(path):
    palette, keys, rows = [], {}, []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            parts = line.split()
            if len(parts) >= 2 and len(parts[0]) == 1 and parts[1].startswith("#"):
                colour = int(parts[1][1:], 16)
                keys[parts[0]] = len(palette)
                palette.append(colour)
            else:
                rows.append(line)
    if len(palette) > 16:
        sys.exit("%s: more than 16 colours" % path)
    width = len(rows[0])
    if any(len(r) != width for r in rows) or width % 8 or len(rows) % 8:
        sys.exit("%s: rows must have one width, a multiple of 8" % path)
    for r in rows:
        for k in r:
            if k != "." and k not in keys:
                sys.exit("%s: key %r is not in the palette" % (path, k))
    return palette, keys, rows


def build_icon(palette, keys, rows):
    width, height = len(rows[0]), len(rows)
    colours = palette + [0] * (16 - len(palette))
    # Bitmap rows run bottom-up and are padded to 4 bytes.
    xor_mask = bytearray()
    and_mask = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(0, width, 2):
            hi = keys.get(row[x], 0)
            lo = keys.get(row[x + 1], 0)
            line.append(hi << 4 | lo)
        line += b"\0" * (-len(line) % 4)
        xor_mask += line
        bits = bytearray()
        for x in range(0, width, 8):
            byte = 0
            for i in range(8):
                if row[x + i] == ".":
                    byte |= 0x80 >> i
            bits.append(byte)
        bits += b"\0" * (-len(bits) % 4)
        and_mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF, 0)
                     for c in colours)
    image = header + table + bytes(xor_mask) + bytes(and_mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4,
                        len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = build_icon(*read_picture(sys.argv[1]))
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
