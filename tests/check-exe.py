#!/usr/bin/python3
"""Checks the built tessaron.exe: what Windows sees when it loads the file,
when it reads its manifest, and when it shows the file's properties.

    check-exe.py tessaron.exe VERSION [MOVED.exe] [--unsigned UNSIGNED.exe]

VERSION as in 1.2.0.0. MOVED.exe is the same program linked at another
base: every byte in which the two differ must be an address the loader
relocates, and nothing else.

A copy signed with Authenticode passes only as the program with a
signature added and nothing else: the certificate table is the one extra
directory, and the file's tail; the checksum is right; and, given the
UNSIGNED.exe it was made from, the file before the table is that exe, but
for the checksum and the table's directory entry.

Prints one line per check and exits non-zero if any fails.
"""
import itertools
import struct
import sys
import xml.etree.ElementTree as ElementTree
import xml.parsers.expat

import pefile

# What the program needs, all of it present since Windows 95 and NT 4.
ALLOWED_IMPORTS = {
    "KERNEL32.DLL": {"ExitProcess", "FindClose", "FindFirstFileA", "FindNextFileA", "GetACP",
                     "GetCPInfo", "GetCommandLineA", "GetFileAttributesA",
                     "GetModuleFileNameA", "GetModuleHandleA", "GetProcAddress",
                     "GetTickCount", "MultiByteToWideChar"},
    "USER32.DLL": {"FindWindowExA", "InvalidateRect", "MessageBoxA", "MessageBoxW",
                   "SystemParametersInfoA", "UpdateWindow", "wsprintfA"},
}
MAX_SIZE = 8192
LANG_JAPANESE = 0x0411
CODE_PAGE_932 = 932
RT_MANIFEST = 24
STRINGS = ["FileDescription", "FileVersion", "ProductName", "ProductVersion",
           "OriginalFilename", "InternalName", "LegalCopyright"]

# The manifest, element by element in document order: (path of tags,
# attributes, text). Anything more, less or different fails: a manifest
# Windows cannot read stops it from starting the program at all.
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
SETTINGS_2019 = "http://schemas.microsoft.com/SMI/2019/WindowsSettings"
SUPPORTED_OS = [
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
]


def expected_manifest(version):
    a = "{%s}" % ASM_V1
    return [
        (a + "assembly", {"manifestVersion": "1.0"}, None),
        (a + "assemblyIdentity", {"type": "win32", "name": "Tessaron", "version": version,
                                  "processorArchitecture": "x86"}, None),
        (a + "dependency", {}, None),
        (a + "dependentAssembly", {}, None),
        (a + "assemblyIdentity", {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                                  "version": "6.0.0.0", "processorArchitecture": "x86",
                                  "publicKeyToken": "6595b64144ccf1df", "language": "*"}, None),
        ("{%s}trustInfo" % ASM_V3, {}, None),
        ("{%s}security" % ASM_V3, {}, None),
        ("{%s}requestedPrivileges" % ASM_V3, {}, None),
        ("{%s}requestedExecutionLevel" % ASM_V3, {"level": "asInvoker", "uiAccess": "false"}, None),
        ("{%s}compatibility" % COMPAT, {}, None),
        ("{%s}application" % COMPAT, {}, None),
    ] + [("{%s}supportedOS" % COMPAT, {"Id": guid}, None) for guid in SUPPORTED_OS] + [
        ("{%s}application" % ASM_V3, {}, None),
        ("{%s}windowsSettings" % ASM_V3, {}, None),
        ("{%s}dpiAware" % SETTINGS_2005, {}, "true/pm"),
        ("{%s}dpiAwareness" % SETTINGS_2016, {}, "PerMonitorV2, PerMonitor"),
        # Every file name exact through the narrow API: UTF-8 as the ANSI
        # code page, on Windows 10 1903 and later.
        ("{%s}activeCodePage" % SETTINGS_2019, {}, "UTF-8"),
    ]


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


def redeclared_namespaces(data):
    """The namespaces the manifest declares where they are already in scope,
    or twice on one element. ElementTree's tree drops the declarations, so
    this reads them from the raw XML."""
    found, scopes = [], [set()]
    parser = xml.parsers.expat.ParserCreate()  # no namespace processing

    def start(tag, attributes):
        declared = [v for k, v in attributes.items() if k == "xmlns" or k.startswith("xmlns:")]
        found.extend("%s on %s" % (uri, tag) for i, uri in enumerate(declared)
                     if uri in scopes[-1] or uri in declared[:i])
        scopes.append(scopes[-1] | set(declared))

    parser.StartElementHandler = start
    parser.EndElementHandler = lambda tag: scopes.pop()
    parser.Parse(data, True)
    return found


def check_manifest(pe, version):
    manifests = resources(pe, RT_MANIFEST)
    check([(m[0], m[1]) for m in manifests] == [(1, 0)],
          "one manifest, id 1, language-neutral: %s" % [(m[0], hex(m[1])) for m in manifests])
    if not manifests:
        return
    data = manifests[0][2]
    check(data.startswith(b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'),
          "manifest starts with its XML declaration, UTF-8, no byte order mark")
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as e:
        check(False, "manifest is well-formed XML: %s" % e)
        return
    check(True, "manifest is well-formed XML, %d bytes" % len(data))
    found = [(e.tag, dict(e.attrib), (e.text or "").strip() or None) for e in root.iter()]
    want = expected_manifest(version)
    check(found == want, "manifest holds exactly the expected elements")
    for i, (f, w) in enumerate(itertools.zip_longest(found, want)):
        if f != w:
            print("        element %d: found %s, expected %s" % (i, f, w))
    # Windows XP SP2 and Server 2003 RTM restart when they load a program
    # whose manifest does that (Microsoft KB921337).
    redeclared = redeclared_namespaces(data)
    check(not redeclared, "no namespace declared again where it is in scope%s"
          % ("".join(": " + r for r in redeclared)))
    check(b"longPathAware" not in data, "no longPathAware")


def align(value, boundary):
    return (value + boundary - 1) // boundary * boundary


IMPORT, RESOURCE, SECURITY, BASERELOC, IAT = 1, 2, 4, 5, 12


def check_loader_rules(pe, data):
    """What every loader from Windows 95 and NT 4 to Windows 11 relies on.
    DATA is the program: the file without its certificate table, if any."""
    oh, fh, sections = pe.OPTIONAL_HEADER, pe.FILE_HEADER, pe.sections
    check((oh.FileAlignment, oh.SectionAlignment) == (0x200, 0x1000),
          "file alignment 0x200, section alignment 0x1000: %#x, %#x"
          % (oh.FileAlignment, oh.SectionAlignment))
    table_end = (pe.DOS_HEADER.e_lfanew + 4 + 20 + fh.SizeOfOptionalHeader
                 + 40 * fh.NumberOfSections)
    check(oh.SizeOfHeaders == align(table_end, 0x200) == sections[0].PointerToRawData,
          "SizeOfHeaders %#x covers the section table (to %#x), rounded up to 0x200, and is"
          " the first section's file offset (%#x)"
          % (oh.SizeOfHeaders, table_end, sections[0].PointerToRawData))
    ends = [oh.SizeOfHeaders] + [s.PointerToRawData + s.SizeOfRawData for s in sections]
    back_to_back = all(s.PointerToRawData == at and s.SizeOfRawData % 0x200 == 0
                       for s, at in zip(sections, ends))
    at = ends[-1]
    check(back_to_back and at == len(data),
          "raw data 0x200-aligned, back to back, up to the end of the file (%#x of %#x)"
          % (at, len(data)))
    pages = [align(oh.SizeOfHeaders, 0x1000)] + [align(s.VirtualAddress + s.Misc_VirtualSize,
                                                       0x1000) for s in sections]
    page = pages[-1]
    check(all(s.VirtualAddress == p and s.Misc_VirtualSize > 0 for s, p in zip(sections, pages)), "sections contiguous in memory from the first page after the headers,"
          " none empty")
    check(oh.SizeOfImage == page,
          "SizeOfImage %#x is the end of the last section, rounded to a page (%#x)"
          % (oh.SizeOfImage, page))
    X = 0x20000000
    entry = oh.AddressOfEntryPoint
    check(any(s.Characteristics & X and s.VirtualAddress <= entry
              < s.VirtualAddress + s.Misc_VirtualSize for s in sections),
          "the entry point %#x lies in the executable section" % entry)
    used = [i for i, d in enumerate(oh.DATA_DIRECTORY) if d.VirtualAddress or d.Size]
    signed = SECURITY in used
    check(used == sorted([IMPORT, RESOURCE, BASERELOC, IAT] + [SECURITY] * signed),
          "only the import, resource, base relocation and import address table"
          " directories%s: %s" % (", and the certificate table" if signed else "",
                                  ", ".join(pefile.DIRECTORY_ENTRY[i][22:] for i in used)))
    descriptors = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    check(all(d.struct.OriginalFirstThunk for d in descriptors),
          "every imported DLL has its name table (OriginalFirstThunk)")
    ordinals = ["%s #%d" % (d.dll.decode(), i.ordinal) for d in descriptors
                for i in d.imports if not i.name]
    check(not ordinals, "every import by name%s" % "".join(", not " + o for o in ordinals))
    terminator = pe.get_data(oh.DATA_DIRECTORY[IMPORT].VirtualAddress + 20 * len(descriptors), 20)
    check(terminator == bytes(20), "the import descriptors end with a null one")
    right = pe.generate_checksum()
    check(oh.CheckSum == right or (oh.CheckSum == 0 and not signed),
          "checksum %#x %s (%#x)" % (oh.CheckSum, "right" if signed else "zero or right", right))
    warnings = pe.get_warnings()
    check(not warnings, "pefile reads it without a warning%s" % "".join(": " + w for w in warnings))


RELOCS_STRIPPED = 0x0001
DYNAMIC_BASE, NX_COMPAT, NO_SEH = 0x0040, 0x0100, 0x0400
IMAGE_REL_BASED_ABSOLUTE, IMAGE_REL_BASED_HIGHLOW = 0, 3


def check_hardening(pe):
    """The rules of Microsoft's BinSkim that apply to a 32-bit program built
    without a load configuration, by their ids. Loaders before Vista ignore
    DYNAMIC_BASE and NX_COMPAT, and apply relocations only when they cannot
    load an image at its own base, which never happens to a program there."""
    fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    relocations = oh.DATA_DIRECTORY[BASERELOC]
    check(oh.DllCharacteristics & DYNAMIC_BASE and not fh.Characteristics & RELOCS_STRIPPED
          and relocations.Size > 0,
          "BA2009 EnableAddressSpaceLayoutRandomization: DYNAMIC_BASE set, relocations not"
          " stripped, a base relocation table (DllCharacteristics %#06x, Characteristics %#06x,"
          " %d bytes)" % (oh.DllCharacteristics, fh.Characteristics, relocations.Size))
    check(oh.DllCharacteristics & NX_COMPAT, "BA2016 MarkImageAsNXCompatible: NX_COMPAT set")
    check(oh.DllCharacteristics & NO_SEH,
          "BA2018 EnableSafeSEH: NO_SEH set (the program registers no exception handler)")
    W, X = 0x80000000, 0x20000000
    check(not [s for s in pe.sections if s.Characteristics & W and s.Characteristics & X],
          "BA2021 DoNotMarkWritableSectionsAsExecutable: no section both writable and"
          " executable")


def relocation_targets(pe):
    """The addresses the base relocation table names, once it is checked to
    lie within a section and to hold HIGHLOW entries only."""
    rva, size = (pe.OPTIONAL_HEADER.DATA_DIRECTORY[BASERELOC].VirtualAddress,
                 pe.OPTIONAL_HEADER.DATA_DIRECTORY[BASERELOC].Size)
    home = pe.get_section_by_rva(rva)
    check(home and rva + size <= home.VirtualAddress + home.Misc_VirtualSize,
          "the base relocation table (%#x, %d bytes) lies within a section" % (rva, size))
    blocks = getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
    faults = ["type %d at %#x" % (e.type, e.rva) for b in blocks for i, e in enumerate(b.entries)
              if e.type != IMAGE_REL_BASED_HIGHLOW
              and (e.type != IMAGE_REL_BASED_ABSOLUTE or i != len(b.entries) - 1)]
    check(blocks and not faults, "every base relocation HIGHLOW (type 3), padding only at a"
          " block's end%s" % "".join(", not " + f for f in faults))
    targets = [e.rva for b in blocks for e in b.entries if e.type == IMAGE_REL_BASED_HIGHLOW]
    outside = [t for t in targets if not any(s.VirtualAddress <= t and t + 4 <= s.VirtualAddress
                                             + s.Misc_VirtualSize for s in pe.sections)]
    check(not outside, "every relocated address lies within a section%s"
          % "".join(", not %#x" % t for t in outside))
    return targets, range(rva, rva + size)


def check_relocations_complete(pe, moved_path):
    """Applies the table to the image as a loader would to move it to the
    base of the same program linked elsewhere: the result must be that copy,
    byte for byte, but for the table itself. A word that still differs is
    an absolute address the table misses (or one it names that holds none)."""
    targets, table = relocation_targets(pe)
    moved = pefile.PE(moved_path)
    base = moved.OPTIONAL_HEADER.ImageBase
    check([(s.Name, s.VirtualAddress, s.Misc_VirtualSize) for s in pe.sections]
          == [(s.Name, s.VirtualAddress, s.Misc_VirtualSize) for s in moved.sections]
          and base != pe.OPTIONAL_HEADER.ImageBase, "the copy linked at %#x is laid out alike" % base)
    image, want = bytearray(pe.get_memory_mapped_image()), moved.get_memory_mapped_image()
    for t in targets:
        word = struct.unpack_from("<I", image, t)[0] + base - pe.OPTIONAL_HEADER.ImageBase
        struct.pack_into("<I", image, t, word & 0xFFFFFFFF)
    start = pe.sections[0].VirtualAddress
    differ = sorted({i // 4 * 4 for i in range(start, len(image))
                     if i not in table and (i >= len(want) or image[i] != want[i])})
    check(len(image) == len(want) and not differ,
          "the %d relocations move the image to %#x exactly: every absolute address is"
          " relocated%s" % (len(targets), base, "".join(", not the one at %#x" % a
                                                        for a in differ[:8])))


WIN_CERT_REVISION_2_0, WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0200, 0x0002


def certificate_table(pe, data):
    """The file offset of the certificate table, which must be the file's
    tail, 8-byte aligned, right after the last section, and hold one
    Authenticode signature; the file's length if there is none."""
    table = pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    if not table.VirtualAddress and not table.Size:
        return len(data)
    at, size = table.VirtualAddress, table.Size  # a file offset, not an address
    last = pe.sections[-1]
    check(at % 8 == 0 and at == last.PointerToRawData + last.SizeOfRawData
          and at + size == len(data),
          "the certificate table (%#x, %d bytes) is the file's tail, 8-byte aligned, right"
          " after the last section (%#x)" % (at, size, last.PointerToRawData + last.SizeOfRawData))
    length, revision, kind = struct.unpack_from("<IHH", data, at) if size >= 8 else (0, 0, 0)
    check(8 < length <= size and align(length, 8) == size and revision == WIN_CERT_REVISION_2_0
          and kind == WIN_CERT_TYPE_PKCS_SIGNED_DATA,
          "it holds one PKCS#7 signature (WIN_CERTIFICATE of %d bytes, revision %#x, type %d)"
          % (length, revision, kind))
    return at


def program_image(data, at):
    """The file up to AT, with the checksum and the certificate table's
    directory entry cleared: what signing leaves as it was."""
    image = bytearray(data[:at])
    optional = struct.unpack_from("<I", image, 0x3C)[0] + 24
    struct.pack_into("<I", image, optional + 64, 0)  # CheckSum
    struct.pack_into("<II", image, optional + 96 + 8 * SECURITY, 0, 0)
    return bytes(image)


def main():
    args = sys.argv[1:]
    unsigned = None
    if "--unsigned" in args:
        unsigned = args.pop(args.index("--unsigned") + 1)
        args.remove("--unsigned")
    path, version_text = args[0], args[1]
    version = tuple(int(n) for n in version_text.split("."))
    whole = open(path, "rb").read()
    pe = pefile.PE(path)
    at = certificate_table(pe, whole)
    data = whole[:at]
    if unsigned:
        check(at < len(whole) and program_image(whole, at)
              == program_image(open(unsigned, "rb").read(), at),
              "signed, and the program is %s byte for byte, but for the checksum and the"
              " certificate table's entry" % unsigned)

    check(len(data) <= MAX_SIZE, "size %d bytes, at most %d%s" % (
        len(data), MAX_SIZE, ", and a signature of %d" % (len(whole) - at) if at < len(whole) else ""))
    oh = pe.OPTIONAL_HEADER
    check(pe.FILE_HEADER.Machine == 0x14C, "machine i386")
    check(oh.Magic == 0x10B, "PE32")
    check(oh.Subsystem == 2, "GUI subsystem")
    for what, version_of in (("subsystem", (oh.MajorSubsystemVersion, oh.MinorSubsystemVersion)),
                             ("operating system", (oh.MajorOperatingSystemVersion,
                                                   oh.MinorOperatingSystemVersion))):
        check(version_of == (4, 0), "%s version %d.%d, loadable by Windows 95 and NT 4"
              % ((what,) + version_of))

    check_loader_rules(pe, data)
    check_hardening(pe)
    if len(args) > 2:
        check_relocations_complete(pe, args[2])
    imports = {e.dll.decode().upper(): {(i.name or b"#%d" % i.ordinal).decode() for i in e.imports}
               for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    check(set(imports) == set(ALLOWED_IMPORTS), "imports from %s only" % ", ".join(sorted(imports)))
    for dll, functions in sorted(imports.items()):
        extra = functions - ALLOWED_IMPORTS.get(dll, set())
        check(not extra, "%s: %d functions, none beyond those needed%s"
              % (dll, len(functions), (": " + ", ".join(sorted(extra))) if extra else ""))
    names = [s.Name.decode().rstrip("\0") for s in pe.sections]
    # Three sections, so that their headers share the file's first 512 bytes
    # with the others (cmake/tessaron.ld).
    R, W, X = 0x40000000, 0x80000000, 0x20000000
    layout = [(n, s.Characteristics & (R | W | X)) for n, s in zip(names, pe.sections)]
    check(layout == [(".text", R | X), (".data", R | W), (".rsrc", R | W)],
          "sections .text (read, execute), .data and .rsrc (read, write): %s"
          % [(n, hex(f)) for n, f in layout])
    check(pe.OPTIONAL_HEADER.SizeOfHeaders == 512, "headers take 512 bytes")
    imports_at = pe.OPTIONAL_HEADER.DATA_DIRECTORY[1].VirtualAddress
    data = next((s for s in pe.sections if s.Name.startswith(b".data")), None)
    check(data is not None and data.contains_rva(imports_at),
          "the import directory lies in the writable .data section")
    check(not {".CRT", ".tls", ".ctors", ".dtors"} & set(names),
          "no C runtime start-up sections (%s)" % " ".join(names))

    icons = resources(pe, pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
    check([(i[0], i[1]) for i in icons] == [(101, LANG_JAPANESE)],
          "one icon group, 101, Japanese: %s" % [(i[0], hex(i[1])) for i in icons])
    if icons:
        # GRPICONDIR, then its first GRPICONDIRENTRY; the image's BITMAPINFOHEADER
        # counts the mask's rows too.
        count, = struct.unpack_from("<H", icons[0][2], 4)
        width, height, colours, _, _, bits, _, image_id = struct.unpack_from(
            "<BBBBHHIH", icons[0][2], 6)
        check(count == 1, "the icon group holds one image")
        check((width, height, colours, bits) == (32, 32, 16, 4),
              "group entry 32x32, 16 colours, 4 bits: %s" % ((width, height, colours, bits),))
        image = {i[0]: i[2] for i in resources(pe, pefile.RESOURCE_TYPE["RT_ICON"])}.get(
            image_id, bytes(40))
        check(struct.unpack_from("<iiHH", image, 4) == (32, 64, 1, 4),
              "icon image %d: 32x32 at 4 bits per pixel" % image_id)

    versions = resources(pe, pefile.RESOURCE_TYPE["RT_VERSION"])
    check([v[1] for v in versions] == [LANG_JAPANESE], "one version record, Japanese")
    fixed = pe.VS_FIXEDFILEINFO[0]
    check(version_parts(fixed.FileVersionMS, fixed.FileVersionLS) == version,
          "FILEVERSION " + version_text)
    check(version_parts(fixed.ProductVersionMS, fixed.ProductVersionLS) == version,
          "PRODUCTVERSION " + version_text)

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
    check(strings.get("FileVersion") == version_text, "file version text " + version_text)
    check(strings.get("ProductVersion") == version_text, "product version text " + version_text)

    check_manifest(pe, version_text)

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
