#!/usr/bin/python3
"""Writes the release: a zip for Windows users and SHA256SUMS beside it.

    make-release.py VERSION EXE SOURCE_ROOT OUT_FOLDER
    make-release.py --date SOURCE_ROOT      prints the date the release takes

What the zip holds, and why the same inputs give the same bytes:
docs/release.md. readme-en.txt has a byte order mark, which Notepad reads
on Windows 2000 and later: it quotes the Japanese messages.
"""
import hashlib
import os
import subprocess
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01


def release_date(root):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    last_commit = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return int(last_commit.stdout) if last_commit.returncode == 0 else ZIP_EPOCH


def text_for_windows(path, version, encoding):
    text = open(path, encoding="utf-8").read().replace("@VERSION@", version)
    # Strict: a character code page 932 lacks is an error, not a '?'.
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding)


def main():
    if sys.argv[1] == "--date":
        print(release_date(sys.argv[2]))
        return
    version, exe, root, out = sys.argv[1:5]
    # Zip dates have two-second steps and start in 1980.
    date = time.gmtime(max(release_date(root), ZIP_EPOCH))[:6]

    readme_ja = os.path.join(root, "res", "readme", "readme-ja.txt")
    history = open(readme_ja, encoding="utf-8").read().split("■ 更新履歴", 1)[-1]
    if "\n" + version + "\n" not in history:
        sys.exit("make-release: readme-ja.txt has no history entry for %s" % version)

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
