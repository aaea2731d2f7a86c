#!/usr/bin/python3
"""Writes a copy of tessaron.exe whose "file not found" caption differs by
one byte, to show that the end-to-end tests catch such a change.

    break_exe.py tessaron.exe broken.exe
"""
import sys

# "ファイルが見つかりません。" in code page 932
CAPTION = bytes.fromhex("837483408343838B82AA8CA982C282A982E882DC82B982F18142")

data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(CAPTION)
if at < 0 or data.find(CAPTION, at + 1) >= 0:
    sys.exit("break_exe: the caption is not in the program exactly once")
data[at + 1] ^= 0x01  # ファ becomes a different character
open(sys.argv[2], "wb").write(data)
