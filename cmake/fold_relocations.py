#!/usr/bin/python3
"""Moves the base relocations of an exe linked by ld into the slack at the
end of one of its other sections, and drops the .reloc section.

    fold_relocations.py PROGRAM.exe

ld fills the base-relocation directory only for an output section named
.reloc, and a fourth section header takes the headers past the first 512
bytes of the file: 1,024 bytes of headers and 512 of relocations, where
the table itself is some 130 bytes. Here the table moves, unchanged, into
the space that file alignment leaves after another section's contents
(a section that is not writable where one has room), that section's
virtual size grows to cover it, the directory points at it, and the
section header and the raw data of .reloc go. Every other byte and every
address in the image stay as ld wrote them; only the raw data moves up in
the file, as the headers shrink.

The loader reads the table through the directory alone, wherever it lies
in the image (the PE format names no section for it), and only when it
cannot load the image at its preferred base.
"""
import struct
import sys

BASERELOC = 5
MEM_WRITE = 0x80000000
CNT_INITIALIZED_DATA = 0x40


def align(value, boundary):
    return (value + boundary - 1) // boundary * boundary


def fold(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("fold_relocations: not a PE file")
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    opt = pe + 24
    if struct.unpack_from("<H", data, opt)[0] != 0x10B:
        sys.exit("fold_relocations: not PE32")
    section_alignment, file_alignment = struct.unpack_from("<II", data, opt + 32)
    headers_size, = struct.unpack_from("<I", data, opt + 60)
    directory = opt + 96 + 8 * BASERELOC
    table_rva, table_size = struct.unpack_from("<II", data, directory)
    table_at = opt + optional_size

    sections = []
    for i in range(count):
        at = table_at + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode()
        vsize, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
        flags, = struct.unpack_from("<I", data, at + 36)
        sections.append(dict(name=name, vsize=vsize, rva=rva, raw_size=raw_size,
                             raw_at=raw_at, flags=flags))
    reloc = sections[-1]
    if reloc["name"] != ".reloc" or table_rva != reloc["rva"] or table_size == 0:
        sys.exit("fold_relocations: the last section must be .reloc, holding the whole table")
    table = data[reloc["raw_at"]:reloc["raw_at"] + table_size]
    rest = sections[:-1]

    # Blocks of base relocations start on a 32-bit boundary.
    def room(s):
        return s["raw_size"] - align(s["vsize"], 4)

    hosts = ([s for s in rest if not s["flags"] & MEM_WRITE]
             + [s for s in rest if s["flags"] & MEM_WRITE])
    host = next((s for s in hosts if room(s) >= table_size), None)
    if host is None:
        sys.exit("fold_relocations: no section has %d bytes to spare for the %d-byte"
                 " relocation table: %s" % (table_size, table_size,
                                             ", ".join("%s %d" % (s["name"], room(s))
                                                       for s in rest)))
    offset = align(host["vsize"], 4)
    host["vsize"] = offset + table_size

    new_headers_size = align(table_at + 40 * len(rest), file_alignment)
    shift = headers_size - new_headers_size
    out = bytearray(data[:new_headers_size])
    # What remains of the header of .reloc.
    out[table_at + 40 * len(rest):] = bytes(new_headers_size - table_at - 40 * len(rest))
    for s in rest:
        body = bytearray(data[s["raw_at"]:s["raw_at"] + s["raw_size"]])
        if s is host:
            body[offset:offset + table_size] = table
        s["raw_at"] -= shift
        assert s["raw_at"] == len(out)
        out += body

    struct.pack_into("<H", out, pe + 6, len(rest))
    for i, s in enumerate(rest):
        at = table_at + 40 * i
        struct.pack_into("<IIII", out, at + 8, s["vsize"], s["rva"], s["raw_size"], s["raw_at"])
    struct.pack_into("<II", out, directory, host["rva"] + offset, table_size)
    struct.pack_into("<I", out, opt + 60, new_headers_size)
    last = rest[-1]
    struct.pack_into("<I", out, opt + 56, align(last["rva"] + last["vsize"], section_alignment))
    initialized, = struct.unpack_from("<I", out, opt + 8)
    if reloc["flags"] & CNT_INITIALIZED_DATA:
        struct.pack_into("<I", out, opt + 8, initialized - reloc["raw_size"])
    if struct.unpack_from("<I", out, opt + 64)[0] != 0:
        struct.pack_into("<I", out, opt + 64, checksum(out, opt + 64))
    return bytes(out)


def checksum(data, field):
    """The image checksum as Windows computes it (ImageHlp's CheckSumMappedFile):
    the file's 16-bit words summed with end-around carry, its own field
    counted as zero, plus the file's length."""
    data = bytes(data[:field]) + bytes(4) + bytes(data[field + 4:])
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main():
    path = sys.argv[1]
    data = open(path, "rb").read()
    open(path, "wb").write(fold(data))


if __name__ == "__main__":
    main()
