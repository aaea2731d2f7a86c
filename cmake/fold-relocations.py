#!/usr/bin/python3
"""Moves the base relocation table of an exe linked by ld into the slack
after another section's contents, and drops the .reloc section.

    fold-relocations.py PROGRAM.exe

Why: cmake/tessaron.ld. The table moves, unchanged, to the end of the
first section with room (one that is not writable first), whose virtual
size grows to cover it; the directory points at it; the header and the raw
data of .reloc go, and the rest of the raw data moves up as the headers
shrink. No address in the image changes.
"""
import struct
import sys


def align(value, boundary):
    return (value + boundary - 1) // boundary * boundary


def checksum(data, field):
    """The image checksum as Windows' CheckSumMappedFile computes it."""
    data = bytes(data[:field]) + bytes(4) + bytes(data[field + 4:]) + b"\0" * (len(data) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total = (total + word & 0xFFFF) + (total + word >> 16)
    return (total & 0xFFFF) + (total >> 16) + len(data)


def fold(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], data[pe + 20]
    opt, table_at = pe + 24, pe + 24 + optional_size
    section_alignment, file_alignment = struct.unpack_from("<II", data, opt + 32)
    headers_size = struct.unpack_from("<I", data, opt + 60)[0]
    directory = opt + 96 + 8 * 5  # the base relocation table
    rva, size = struct.unpack_from("<II", data, directory)
    sections = [dict(zip(("vsize", "rva", "raw_size", "raw_at"),
                         struct.unpack_from("<IIII", data, table_at + 40 * i + 8)),
                     name=data[table_at + 40 * i:table_at + 40 * i + 8].rstrip(b"\0"),
                     writable=data[table_at + 40 * i + 39] & 0x80)
                for i in range(count)]
    reloc, rest = sections[-1], sections[:-1]
    if reloc["name"] != b".reloc" or rva != reloc["rva"] or size == 0:
        sys.exit("fold-relocations: the last section must be .reloc, holding the whole table")
    table = data[reloc["raw_at"]:reloc["raw_at"] + size]
    host = next((s for s in sorted(rest, key=lambda s: s["writable"])
                 if s["raw_size"] - align(s["vsize"], 4) >= size), None)
    if host is None:
        sys.exit("fold-relocations: no section has room for the %d-byte table" % size)
    offset = align(host["vsize"], 4)  # blocks start on a 32-bit boundary
    host["vsize"] = offset + size

    new_headers_size = align(table_at + 40 * len(rest), file_alignment)
    out = bytearray(data[:table_at + 40 * len(rest)])
    out += bytes(new_headers_size - len(out))
    for i, s in enumerate(rest):
        body = bytearray(data[s["raw_at"]:s["raw_at"] + s["raw_size"]])
        if s is host:
            body[offset:offset + size] = table
        s["raw_at"] -= headers_size - new_headers_size
        struct.pack_into("<IIII", out, table_at + 40 * i + 8,
                         s["vsize"], s["rva"], s["raw_size"], s["raw_at"])
        out += body
    struct.pack_into("<H", out, pe + 6, len(rest))
    struct.pack_into("<II", out, directory, host["rva"] + offset, size)
    struct.pack_into("<I", out, opt + 56, align(rest[-1]["rva"] + rest[-1]["vsize"],
                                                section_alignment))
    struct.pack_into("<I", out, opt + 60, new_headers_size)
    struct.pack_into("<I", out, opt + 8, struct.unpack_from("<I", out, opt + 8)[0]
                     - reloc["raw_size"])  # SizeOfInitializedData
    if struct.unpack_from("<I", out, opt + 64)[0]:
        struct.pack_into("<I", out, opt + 64, checksum(out, opt + 64))
    return bytes(out)


folded = fold(open(sys.argv[1], "rb").read())
open(sys.argv[1], "wb").write(folded)
