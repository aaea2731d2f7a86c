#!/usr/bin/python3
"""Tells whether a screenshot of the desktop shows a bitmap as its
wallpaper: centred (Windows' and Wine's default), tiled from the top left,
or stretched over the whole desktop.

    check_wallpaper.py SCREENSHOT BITMAP

Both files are read through ImageMagick, so any format it knows will do.
Samples a grid of points of the picture where it is drawn; exits 0 and
says where it found it when nearly all of them match, 1 otherwise.
"""
import subprocess
import sys

CONVERT = "/usr/bin/convert"  # a convert earlier on PATH may be a stand-in
TOLERANCE = 60                # summed over red, green and blue
NEEDED = 0.9                  # share of the samples that must match


def read_ppm(path):
    data = subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    fields, at = [], 0
    while len(fields) < 4:  # P6, width, height, maximum; comments aside
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]


def pixel(image, x, y):
    width, _, pixels = image
    at = (y * width + x) * 3
    return pixels[at:at + 3]


def matches(screen, picture, place):
    sw, sh, _ = screen
    pw, ph, _ = picture
    good = total = 0
    for j in range(12):
        for i in range(16):
            px, py = (2 * i + 1) * pw // 32, (2 * j + 1) * ph // 24
            sx, sy = place(px, py)
            if not (0 <= sx < sw and 0 <= sy < sh):
                continue
            total += 1
            a, b = pixel(screen, sx, sy), pixel(picture, px, py)
            if sum(abs(a[k] - b[k]) for k in range(3)) <= TOLERANCE:
                good += 1
    return total >= 48 and good >= NEEDED * total, good, total


def main():
    screen = read_ppm(sys.argv[1])
    picture = read_ppm(sys.argv[2])
    sw, sh, _ = screen
    pw, ph, _ = picture
    places = {
        "centred": lambda x, y: (x + (sw - pw) // 2, y + (sh - ph) // 2),
        "tiled": lambda x, y: (x, y),
        "stretched": lambda x, y: (x * sw // pw, y * sh // ph),
    }
    report = []
    for name, place in places.items():
        ok, good, total = matches(screen, picture, place)
        if ok:
            print("the desktop shows the wallpaper, %s (%d of %d samples match)" % (name, good, total))
            return 0
        report.append("%s %d/%d" % (name, good, total))
    print("the desktop does not show the wallpaper (samples matching: %s)" % ", ".join(report))
    return 1


if __name__ == "__main__":
    sys.exit(main())
