#!/usr/bin/python3
"""Writes a copy of tessaron.exe whose "file not found" caption, or "not a
valid bitmap" caption, differs by one character, to show that the
end-to-end tests catch such a change.

    break_exe.py tessaron.exe broken.exe [not-found|not-bitmap]
"""
import sys

# The captions as the program stores them for the box: UTF-16. The second
# character changes: ァ (U+30A1) becomes ゠ (U+30A0), 効 (U+52B9) 劸 (U+52B8).
CAPTIONS = {
    "not-found": "ファイルが見つかりません。",
    "not-bitmap": "有効なBitmapファイルではありません。",
}

which = sys.argv[3] if len(sys.argv) > 3 else "not-found"
caption = CAPTIONS[which].encode("utf-16-le")
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(caption)
if at < 0 or data.find(caption, at + 1) >= 0:
    sys.exit("break_exe: the %s caption is not in the program exactly once" % which)
data[at + 2] ^= 0x01
open(sys.argv[2], "wb").write(data)
