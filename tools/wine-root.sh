#!/bin/sh
# Wine as 64-bit Windows runs tessaron.exe: its WoW64 build, where 32-bit
# Windows code runs inside 64-bit Linux processes, so no 32-bit Linux
# program is involved and any x86-64 kernel will do. Debian unstable ships
# Wine built that way (Debian 12's and 13's are classic builds needing
# wine32:i386), so it lives in a root of Debian unstable of its own.
#
#   tools/wine-root.sh [build]          build the root unless it is there and
#                                       current; say which Wine it holds
#   tools/wine-root.sh run CMD [ARG...] run CMD inside it, in the current
#                                       folder; exits with CMD's exit code
#
# Run as root. The root is built once per machine, in
# /var/cache/tessaron/wine-root (TESSARON_WINE_ROOT names another place),
# so that every clone on the machine finds it, and again when the list of
# what it holds changes. It is built beside its place and moved there
# whole, so an interrupted build leaves nothing that is used.
#
# CMD runs with the environment as it is here, but for PATH, which holds
# wine, wineboot and wineserver. The repository and /tmp are at the same
# paths inside as here, so the build tree and Wine's sockets are shared;
# the current folder must lie in one of them. Everything is mounted in a
# private mount namespace, never in this one: the mounts go when the last
# process started inside ends, whether CMD succeeds, fails or is stopped.
set -eu
repository=$(cd "$(dirname "$0")/.." && pwd)
root=${TESSARON_WINE_ROOT:-/var/cache/tessaron/wine-root}
# Written into the root last: what it holds. It marks the root as complete
# and, seen from inside it, as this root.
stamp_name=.tessaron-wine-root
suite=sid
packages="wine wine64 xvfb xauth locales fonts-ipafont-gothic xdotool x11-utils imagemagick
python3 util-linux"
# Every locale the end-to-end tests switch to: Wine reads Linux file names
# through the locale's character set, and garbles those outside ASCII
# under a locale glibc has not compiled.
locales="ja_JP en_US zh_CN ko_KR ru_RU"
wanted="suite=$suite locales=$locales packages=$(echo $packages)"
# wineserver is in Wine's own folder there, and locale-gen in /usr/sbin.
inside_path=/usr/lib/x86_64-linux-gnu/wine:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin

say() { echo "wine-root: $*" >&2; }

# The Debian mirror this machine's apt uses.
debian_mirror() {
    {
        sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources \
            2>/dev/null | grep -v security | grep '/debian/*$' || true
        sed -n 's/^deb[[:space:]]\{1,\}\(\[[^]]*\][[:space:]]\{1,\}\)\{0,1\}\([^[:space:]]*debian\/*\)[[:space:]].*/\2/p' \
            /etc/apt/sources.list 2>/dev/null || true
    } | head -n 1
}

# Whether the root is there, complete and holding what is wanted.
is_current() {
    [ -f "$root/$stamp_name" ] && [ "$(cat "$root/$stamp_name")" = "$wanted" ]
}

# Fails, saying why, unless the tree runs Windows programs the WoW64 way: the
# 32-bit Windows side of Wine is there and no 32-bit Linux program is.
check_wow64() {
    tree=$1
    [ -f "$tree/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ] ||
        { say "no 32-bit Windows side (wine/i386-windows) in $tree"; return 1; }
    if [ -e "$tree/usr/lib/i386-linux-gnu" ] || [ -e "$tree/lib/ld-linux.so.2" ]; then
        say "$tree holds 32-bit Linux libraries: not a WoW64 Wine"
        return 1
    fi
}

# The same, file by file: every ELF file must be 64-bit. Prints the count.
check_no_32bit_elf() {
    /usr/bin/python3 - "$1" <<'EOF'
import os, sys
tree = sys.argv[1]
count, bad = 0, []
for folder, subfolders, files in os.walk(tree):
    for name in files:
        path = os.path.join(folder, name)
        if os.path.islink(path) or not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            head = f.read(5)
        if head[:4] == b"\x7fELF":
            count += 1
            if head[4] != 2:
                bad.append(path[len(tree):])
if bad:
    sys.exit("wine-root: 32-bit Linux programs in the root: %s" % " ".join(bad[:5]))
print(count)
EOF
}

# Runs CMD in TREE, in a private mount namespace (see the top).
enter() {
    tree=$1
    shift
    here=$PWD
    case "$here/" in
        "$repository"/*|/tmp/*) ;;
        *) say "run: the current folder ($here) is neither in $repository nor in /tmp"; exit 2 ;;
    esac
    exec unshare --mount --propagation private /bin/sh -eu -c '
        tree=$1 repository=$2 here=$3 path=$4
        shift 4
        mount --rbind /proc "$tree/proc"
        mount --rbind /sys "$tree/sys"
        mount --rbind /dev "$tree/dev"
        mount --bind /tmp "$tree/tmp"
        case "$repository/" in
            /tmp/*) ;;
            *) mkdir -p "$tree$repository"; mount --bind "$repository" "$tree$repository" ;;
        esac
        cd "$here"
        exec env PATH="$path" chroot "$tree" /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$here" "$@"
    ' sh "$tree" "$repository" "$here" "$inside_path" "$@"
}

build() {
    if is_current; then
        check_wow64 "$root"
        return 0
    fi
    [ "$(id -u)" -eq 0 ] || { say "building the root needs root"; exit 1; }
    command -v debootstrap >/dev/null || { say "debootstrap is not installed"; exit 1; }
    mirror=$(debian_mirror)
    [ -n "$mirror" ] || { say "no Debian mirror in /etc/apt: cannot build the root"; exit 1; }
    parent=$(dirname "$root")
    partial=$root.partial
    say "building Debian $suite with Wine in $root, from $mirror (a minute or two)"
    start=$(date +%s)
    # Left by an interrupted build. debootstrap mounts /proc and /sys in
    # the tree: it runs in a namespace of its own, so that an interrupted
    # run cannot leave them mounted, and the removal stays on one file
    # system in any case.
    rm -rf --one-file-system "$partial"
    log=$parent/wine-root.log
    if ! unshare --mount --propagation private \
            debootstrap --variant=minbase --include="$(echo $packages | tr ' ' ,)" \
            "$suite" "$partial" "$mirror" >"$log" 2>&1; then
        tail -n 20 "$log" >&2
        say "debootstrap failed (its log: $log)"
        exit 1
    fi
    for l in $locales; do echo "$l.UTF-8 UTF-8"; done >"$partial/etc/locale.gen"
    env PATH="$inside_path" chroot "$partial" sh -c 'locale-gen && apt-get clean' >>"$log" 2>&1 ||
        { tail -n 20 "$log" >&2; say "cannot compile the locales (log: $log)"; exit 1; }
    check_wow64 "$partial"
    elf=$(check_no_32bit_elf "$partial")
    echo "$wanted" >"$partial/$stamp_name"
    version=$(enter "$partial" wine --version) || { say "Wine does not start in the root"; exit 1; }
    rm -rf --one-file-system "$root.old"
    [ -e "$root" ] && mv "$root" "$root.old"
    mv "$partial" "$root"
    rm -rf --one-file-system "$root.old"
    say "built in $(( $(date +%s) - start )) s, $(du -sh --one-file-system "$root" | cut -f1):" \
        "$elf ELF files, all 64-bit; $version"
}

# Says which Wine the root holds.
describe() {
    printf '%s (WoW64, Debian %s, %s)\n' "$(enter "$root" wine --version)" "$suite" "$root"
}

action=${1:-build}
[ $# -gt 0 ] && shift
mkdir -p "$(dirname "$root")"
case $action in
    build)
        (
            flock 9
            build
        ) 9>"$root.lock"
        echo "wine-root: $(describe)"
        ;;
    run)
        [ $# -gt 0 ] || { say "usage: wine-root.sh run CMD [ARG...]"; exit 2; }
        # Already inside: nothing to enter.
        [ -f "/$stamp_name" ] && exec "$@"
        (
            flock 9
            build
        ) 9>"$root.lock"
        enter "$root" "$@"
        ;;
    *) say "usage: wine-root.sh [build] | run CMD [ARG...]"; exit 2 ;;
esac
