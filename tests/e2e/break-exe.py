#!/usr/bin/python3
"""Writes a copy of tessaron.exe whose "file not found" caption, or "not a
valid bitmap" caption, differs by one character, to show that the
end-to-end tests catch such a change.

    break-exe.py tessaron.exe broken.exe [not-found|not-bitmap]

The captions are read from tests/expected_texts.h, as UTF-16, which is how
the program stores them for the box. Their second character changes:
ァ (U+30A1) becomes ゠ (U+30A0), 効 (U+52B9) 劸 (U+52B8).
"""
import os
import re
import sys

NAMES = {"not-found": "kNotFoundCaption", "not-bitmap": "kNotBitmapCaption"}

which = sys.argv[3] if len(sys.argv) > 3 else "not-found"
header = open(os.path.join(os.path.dirname(__file__), "..", "expected_texts.h")).read()
literal = re.search(r"char16_t %s\[\] =((?:\s*u\"[^\"]*\")+);" % NAMES[which], header).group(1)
caption = "".join(re.findall(r'u"([^"]*)"', literal)).encode().decode("unicode_escape")
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(caption.encode("utf-16-le"))
if at < 0 or data.find(caption.encode("utf-16-le"), at + 1) >= 0:
    sys.exit("break-exe: the %s caption is not in the program exactly once" % which)
data[at + 2] ^= 0x01
open(sys.argv[2], "wb").write(data)
