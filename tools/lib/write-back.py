#!/usr/bin/python3
"""write-back.py UPPER LOWER: makes LOWER what the overlay of UPPER on LOWER
showed, by copying down what UPPER holds (tools/lib/machine-init.sh).

UPPER is an overlay's upper folder, mounted without redirect_dir and
metacopy, so it holds only whole files and folders, and two marks:
  - a whiteout, a character device 0/0, for a name removed from LOWER;
  - an opaque folder (xattr trusted.overlay.opaque "y"), one that replaced
    a folder of LOWER, whose old contents are gone.
Files keep their mode, owner and times. Sockets, pipes and devices belong
to the machine's own processes, all ended by now, and stay behind.
Exits non-zero, naming the path, if anything could not be copied."""
import os
import shutil
import stat
import sys


def is_opaque(path):
    try:
        return os.getxattr(path, "trusted.overlay.opaque", follow_symlinks=False) == b"y"
    except OSError:
        return False


def remove(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.unlink(path)


def keep_metadata(path, st):
    os.lchown(path, st.st_uid, st.st_gid)
    if not stat.S_ISLNK(st.st_mode):
        os.chmod(path, stat.S_IMODE(st.st_mode))
    os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns), follow_symlinks=False)


def write_back(upper, lower):
    for name in sorted(os.listdir(upper)):
        source = os.path.join(upper, name)
        target = os.path.join(lower, name)
        st = os.lstat(source)
        mode = st.st_mode
        if stat.S_ISCHR(mode) and st.st_rdev == 0:
            remove(target)
        elif stat.S_ISDIR(mode):
            if is_opaque(source) or (os.path.lexists(target) and
                                     not stat.S_ISDIR(os.lstat(target).st_mode)):
                remove(target)
            if not os.path.lexists(target):
                os.mkdir(target)
            write_back(source, target)
            keep_metadata(target, st)
        elif stat.S_ISREG(mode) or stat.S_ISLNK(mode):
            # Written beside and renamed over, so that a program running
            # from the old file, or another name of it, is left alone.
            partial = os.path.join(lower, f".{name}.write-back")
            remove(partial)
            if stat.S_ISLNK(mode):
                os.symlink(os.readlink(source), partial)
            else:
                shutil.copyfile(source, partial)
            keep_metadata(partial, st)
            if os.path.isdir(target) and not os.path.islink(target):
                remove(target)
            os.replace(partial, target)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: write-back.py UPPER LOWER")
    try:
        write_back(sys.argv[1], sys.argv[2])
    except OSError as error:
        sys.exit(f"write-back: {error.filename}: {error.strerror}")


if __name__ == "__main__":
    main()
