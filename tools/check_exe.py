#!/usr/bin/python3
"""Checks the built tessaron.exe: what Windows sees when it loads the file
and when it shows the file's properties.

    check_exe.py tessaron.exe

Prints one line per check and exits non-zero if any fails.
"""
import sys

import pefile

# What the program needs, all of it present since Windows 95 and NT 4.
ALLOWED_IMPORTS = {
    "KERNEL32.DLL": {"ExitProcess", "FindClose", "FindFirstFileA", "FindNextFileA", "GetACP",
                     "GetCPInfo", "GetCommandLineA", "GetFileAttributesA",
                     "GetModuleFileNameA", "GetTickCount"},
    "USER32.DLL": {"FindWindowExA", "InvalidateRect", "MessageBoxA", "SystemParametersInfoA",
                   "UpdateWindow", "wsprintfA"},
}
MAX_SIZE = 8192
LANG_JAPANESE = 0x0411
CODE_PAGE_932 = 932
VERSION = (1, 2, 0, 0)
STRINGS = ["FileDescription", "FileVersion", "ProductName", "ProductVersion",
           "OriginalFilename", "InternalName", "LegalCopyright"]

failures = 0


def check(ok, what):
    global failures
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures += 1


def resources(pe, type_id):
    """(name or id, language, data) of every resource of one type."""
    found = []
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != type_id:
            continue
        for rname in rtype.directory.entries:
            for rlang in rname.directory.entries:
                d = rlang.data.struct
                data = pe.get_data(d.OffsetToData, d.Size)
                found.append((rname.id, rlang.id, data))
    return found


def version_parts(ms, ls):
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def main():
    path = sys.argv[1]
    data = open(path, "rb").read()
    pe = pefile.PE(path)

    check(len(data) <= MAX_SIZE, "size %d bytes, at most %d" % (len(data), MAX_SIZE))
    check(pe.FILE_HEADER.Machine == 0x14C, "machine i386")
    check(pe.OPTIONAL_HEADER.Magic == 0x10B, "PE32")
    check(pe.OPTIONAL_HEADER.Subsystem == 2, "GUI subsystem")
    sub = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    check(sub == (4, 0), "subsystem version %d.%d, loadable by Windows 95 and NT 4" % sub)
    osv = (pe.OPTIONAL_HEADER.MajorOperatingSystemVersion,
           pe.OPTIONAL_HEADER.MinorOperatingSystemVersion)
    check(osv == (4, 0), "operating system version %d.%d" % osv)

    imports = {e.dll.decode().upper(): {i.name.decode() for i in e.imports if i.name}
               for e in pe.DIRECTORY_ENTRY_IMPORT}
    check(set(imports) == set(ALLOWED_IMPORTS), "imports from %s only" % ", ".join(sorted(imports)))
    for dll, functions in sorted(imports.items()):
        extra = functions - ALLOWED_IMPORTS.get(dll, set())
        check(not extra, "%s: %d functions, none beyond those needed%s"
              % (dll, len(functions), (": " + ", ".join(sorted(extra))) if extra else ""))
    names = [s.Name.decode().rstrip("\0") for s in pe.sections]
    check(not {".CRT", ".tls", ".ctors", ".dtors"} & set(names),
          "no C runtime start-up sections (%s)" % " ".join(names))

    icons = resources(pe, pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
    check([(i[0], i[1]) for i in icons] == [(101, LANG_JAPANESE)],
          "one icon group, 101, Japanese: %s" % [(i[0], hex(i[1])) for i in icons])
    if icons:
        group = icons[0][2]
        count = int.from_bytes(group[4:6], "little")
        check(count == 1, "the icon group holds one image")
        width, height, colours = group[6], group[7], group[8]
        bits = int.from_bytes(group[12:14], "little")
        check((width, height, colours, bits) == (32, 32, 16, 4),
              "group entry 32x32, 16 colours, 4 bits: %s" % ((width, height, colours, bits),))
        image_id = int.from_bytes(group[18:20], "little")
        images = {i[0]: i[2] for i in resources(pe, pefile.RESOURCE_TYPE["RT_ICON"])}
        image = images.get(image_id, b"")
        if len(image) >= 40:
            w = int.from_bytes(image[4:8], "little")
            h = int.from_bytes(image[8:12], "little")
            bpp = int.from_bytes(image[14:16], "little")
            check((w, h, bpp) == (32, 64, 4), "icon image 32x32 at 4 bits per pixel")
        else:
            check(False, "icon image %d is present" % image_id)

    versions = resources(pe, pefile.RESOURCE_TYPE["RT_VERSION"])
    check([v[1] for v in versions] == [LANG_JAPANESE], "one version record, Japanese")
    fixed = pe.VS_FIXEDFILEINFO[0]
    check(version_parts(fixed.FileVersionMS, fixed.FileVersionLS) == VERSION, "FILEVERSION 1.2.0.0")
    check(version_parts(fixed.ProductVersionMS, fixed.ProductVersionLS) == VERSION,
          "PRODUCTVERSION 1.2.0.0")

    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.extend(var.entry.values())
    check([t.upper() for t in tables] == ["041103A4"],
          "string table for Japanese, code page 932: %s" % list(tables))
    check(translations == ["0x0411 0x03a4"], "translation 0x0411, code page 932: %s" % translations)
    strings = next(iter(tables.values()), {})
    for key in STRINGS:
        check(bool(strings.get(key)), "%s: %s" % (key, strings.get(key)))
    check(strings.get("ProductName") == "Tessaron", "product name Tessaron")
    check(strings.get("FileVersion") == "1.2.0.0", "file version text 1.2.0.0")

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
