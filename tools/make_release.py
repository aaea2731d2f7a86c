#!/usr/bin/python3
"""Writes the release: a zip for Windows users and SHA256SUMS beside it.

    make_release.py VERSION EXE SOURCE_ROOT OUT_FOLDER

The zip holds tessaron.exe as built, readme.txt (Japanese, in code page 932
as Notepad reads it on a Japanese Windows), readme-en.txt (UTF-8 with a
byte order mark, which Notepad reads on Windows 2000 and later: it quotes
the Japanese messages), and LICENSE.txt (ASCII); all with CRLF line ends. The same inputs give the same bytes: the entries
come in a fixed order, with fixed attributes and the date of
SOURCE_DATE_EPOCH (seconds since 1970, UTC; the build sets it from the
last commit).
"""
import hashlib
import os
import sys
import time
import zipfile


def text_for_windows(path, version, encoding):
    text = open(path, encoding="utf-8").read().replace("@VERSION@", version)
    # Strict: a character code page 932 lacks is an error, not a '?'.
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding)


def main():
    version, exe, root, out = sys.argv[1:5]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    # Zip dates have two-second steps and start in 1980.
    date = time.gmtime(max(epoch, 315532800))[:6]

    readme_ja = os.path.join(root, "res", "readme", "readme-ja.txt")
    history = open(readme_ja, encoding="utf-8").read().split("■ 更新履歴", 1)[-1]
    if "\n" + version + "\n" not in history:
        sys.exit("make_release: readme-ja.txt has no history entry for %s" % version)

    entries = [
        ("tessaron.exe", open(exe, "rb").read()),
        ("readme.txt", text_for_windows(readme_ja, version, "cp932")),
        ("readme-en.txt", text_for_windows(os.path.join(root, "res", "readme", "readme-en.txt"),
                                           version, "utf-8-sig")),
        ("LICENSE.txt", text_for_windows(os.path.join(root, "LICENSE"), version, "ascii")),
    ]
    os.makedirs(out, exist_ok=True)
    name = "tessaron-%s.zip" % version
    path = os.path.join(out, name)
    with zipfile.ZipFile(path, "w") as archive:
        for entry_name, data in entries:
            info = zipfile.ZipInfo(entry_name, date_time=date)
            info.create_system = 0          # made on "MS-DOS": Windows attributes
            info.external_attr = 0x20       # archive, nothing else
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)

    digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    with open(os.path.join(out, "SHA256SUMS"), "w", newline="\n") as sums:
        sums.write("%s  %s\n" % (digest, name))
    print("%s  %s" % (digest, path))


if __name__ == "__main__":
    main()
