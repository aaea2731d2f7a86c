#!/usr/bin/python3
"""Writes a copy of tessaron.exe whose "file not found" caption differs by
one character, to show that the end-to-end tests catch such a change.

    break_exe.py tessaron.exe broken.exe
"""
import sys

# "ファイルが見つかりません。" as the program stores it for the box: UTF-16
CAPTION = "ファイルが見つかりません。".encode("utf-16-le")

data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(CAPTION)
if at < 0 or data.find(CAPTION, at + 1) >= 0:
    sys.exit("break_exe: the caption is not in the program exactly once")
data[at + 2] ^= 0x01  # ァ (U+30A1) becomes ゠ (U+30A0)
open(sys.argv[2], "wb").write(data)
