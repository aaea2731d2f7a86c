#!/bin/sh
# The root of Debian unstable that holds Wine 10's WoW64 build, where 32-bit
# Windows code runs inside 64-bit Linux processes as on 64-bit Windows, on
# any x86-64 kernel (Debian 12's and 13's Wines are classic builds that
# need 32-bit Linux programs). See docs/testing.md.
#
#   tools/wine-root.sh [build]          build the root unless it is there and
#                                       current; say which Wine it holds
#   tools/wine-root.sh run CMD [ARG...] run CMD inside it, in the current
#                                       folder; exits with CMD's exit code
#
# As root. The root is /var/cache/tessaron/wine-root (TESSARON_WINE_ROOT
# names another), for every clone on the machine, rebuilt when what it
# must hold changes; it is built beside its place and moved there whole,
# so an interrupted build leaves nothing that is used. CMD runs with this
# environment but for PATH, which holds Wine's commands, in a private mount
# namespace (bubblewrap's) where the repository and /tmp, one of which
# holds the current folder, are at their own paths; the mounts go when its
# last process ends.
set -eu
repository=$(cd "$(dirname "$0")/.." && pwd)
root=${TESSARON_WINE_ROOT:-/var/cache/tessaron/wine-root}
# Written into the root last: what it holds. It marks the root as complete
# and, seen from inside it, as this root.
stamp_name=.tessaron-wine-root
suite=sid
packages="wine wine64 xvfb locales fonts-ipafont-gothic xdotool imagemagick util-linux"
# Every locale the end-to-end tests switch to: Wine reads Linux file names
# through the locale's character set, and garbles those outside ASCII
# under a locale glibc has not compiled.
locales="ja_JP en_US zh_CN ko_KR ru_RU"
wanted="suite=$suite locales=$locales packages=$(echo $packages)"
# wineserver is in Wine's own folder there, and locale-gen in /usr/sbin.
inside_path=/usr/lib/x86_64-linux-gnu/wine:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin

say() { echo "wine-root: $*" >&2; }

# The Debian mirror this machine's apt uses, whatever the format of its
# sources.
debian_mirror() {
    apt-get indextargets --format '$(REPO_URI)' | grep '/debian/$' | head -n 1
}

# Whether the root is there, complete and holding what is wanted.
is_current() {
    [ -f "$root/$stamp_name" ] && [ "$(cat "$root/$stamp_name")" = "$wanted" ]
}

# Fails, saying why, unless the tree runs Windows programs the WoW64 way: the
# 32-bit Windows side of Wine is there and no 32-bit Linux program can be:
# dpkg knows amd64 alone, so every package, and every file in one, is
# 64-bit, and there is no 32-bit loader or library folder.
check_wow64() {
    tree=$1
    [ -f "$tree/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ] ||
        { say "no 32-bit Windows side (wine/i386-windows) in $tree"; return 1; }
    foreign=$(dpkg --admindir="$tree/var/lib/dpkg" --print-foreign-architectures)
    if [ -n "$foreign" ] || [ -e "$tree/usr/lib/i386-linux-gnu" ] ||
        [ -e "$tree/lib/ld-linux.so.2" ]; then
        say "$tree holds 32-bit Linux packages or libraries ($foreign): not a WoW64 Wine"
        return 1
    fi
}

# Runs CMD in TREE, in a private mount namespace of bubblewrap's (see the
# top).
enter() {
    tree=$1
    shift
    case "$PWD/" in
        "$repository"/*|/tmp/*) ;;
        *) say "run: the current folder ($PWD) is neither in $repository nor in /tmp"; exit 2 ;;
    esac
    exec bwrap --bind "$tree" / --proc /proc --dev-bind /dev /dev --bind /sys /sys \
        --bind /tmp /tmp --bind "$repository" "$repository" --chdir "$PWD" \
        --setenv PATH "$inside_path" -- "$@"
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
    echo "$wanted" >"$partial/$stamp_name"
    version=$(enter "$partial" wine --version) || { say "Wine does not start in the root"; exit 1; }
    rm -rf --one-file-system "$root.old"
    [ -e "$root" ] && mv "$root" "$root.old"
    mv "$partial" "$root"
    rm -rf --one-file-system "$root.old"
    say "built in $(( $(date +%s) - start )) s, $(du -sh --one-file-system "$root" | cut -f1):" \
        "$version"
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
        (flock 9 && build) 9>"$root.lock"
        echo "wine-root: $(describe)"
        ;;
    run)
        [ $# -gt 0 ] || { say "usage: wine-root.sh run CMD [ARG...]"; exit 2; }
        # Already inside: nothing to enter.
        [ -f "/$stamp_name" ] && exec "$@"
        (flock 9 && build) 9>"$root.lock"
        enter "$root" "$@"
        ;;
    *) say "usage: wine-root.sh [build] | run CMD [ARG...]"; exit 2 ;;
esac
