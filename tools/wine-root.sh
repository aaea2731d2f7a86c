#!/bin/sh
# The root of Debian unstable that holds Wine 10's WoW64 build, where 32-bit
# Windows code runs inside 64-bit Linux processes as on 64-bit Windows
# (Debian 12's and 13's Wines are classic builds that need 32-bit Linux
# programs). See docs/testing.md.
#
#   tools/wine-root.sh [build]          build the root unless it is there and
#                                       current; say which Wine it holds
#   tools/wine-root.sh version          print that Wine's version
#   tools/wine-root.sh run CMD [ARG...] run CMD inside it, in the current
#                                       folder; exits with CMD's exit code
#
# As root. The root is /var/cache/tessaron/wine-root (TESSARON_WINE_ROOT
# names another), for every clone on the machine, rebuilt when what it
# must hold changes; it is built beside its place and moved there whole,
# so an interrupted build leaves nothing that is used.
#
# CMD runs with this environment but for PATH, which holds Wine's commands,
# where the repository and /tmp, one of which holds the current folder, are
# at their own paths, in one of two ways (tools/lib/machine.sh says which):
#   - natively, in a private mount namespace (bubblewrap's), whose mounts go
#     when its last process ends;
#   - where the processor runs no 32-bit code, or with TESSARON_EMULATE=1,
#     in a machine that QEMU emulates, booted from the same root (its
#     kernel is one of the root's packages) copied into a disk image kept
#     beside it. There CMD's input is empty and the host's X display is out
#     of reach, and what it writes in the repository and /tmp reaches them
#     when it ends (tools/lib/machine-init.sh). One boot takes about 20 s.
set -eu
repository=$(cd "$(dirname "$0")/.." && pwd)
. "$repository/tools/lib/machine.sh"
root=${TESSARON_WINE_ROOT:-/var/cache/tessaron/wine-root}
# Written into the root last: what it holds. It marks the root as complete
# and, seen from inside it, as this root.
stamp_name=.tessaron-wine-root
suite=sid
# cmake for ctest, python3 for the checks, which run inside; the kernel,
# e2fsprogs and kmod for the emulated machine (Debian's kernel brings
# dracut, which makes the initramfs).
packages="wine wine64 xvfb locales fonts-ipafont-gothic xdotool imagemagick util-linux
python3 cmake linux-image-amd64 e2fsprogs kmod"
locales=$(sed -n 's/^\([a-z][a-zA-Z_]*\) .*/\1/p' "$repository/tests/e2e/locales.txt")
wanted="suite=$suite locales=$(echo $locales) packages=$(echo $packages)"
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

# Fails, saying so, unless the current folder is one that CMD can see.
check_folder() {
    case "$PWD/" in
        "$repository"/*|/tmp/*) ;;
        *) say "run: the current folder ($PWD) is neither in $repository nor in /tmp"; exit 2 ;;
    esac
}

# Runs CMD in TREE natively, in a private mount namespace of bubblewrap's.
# Only 64-bit code runs here when the processor runs no 32-bit code: enough
# for `wine --version`, not for a Windows program.
enter() {
    tree=$1
    shift
    check_folder
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
    say "building Debian $suite with Wine in $root, from $mirror (two or three minutes)"
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

# The emulated machine: the root as a disk image, with its kernel and
# initramfs, in $machine.
machine=$root.machine
# The machine's first process: it mounts the job folder the host shares,
# and runs the job's machine-init.sh, kept with the job so that the image
# needs no rebuilding when that changes. Written into the root, and so into
# the image: the machine's kernel starts it in place of an init system.
machine_stub='#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sysfs /sys 2>/dev/null
mount -t devtmpfs devtmpfs /dev 2>/dev/null
mount -t tmpfs -o mode=0755 tmpfs /run
mkdir -p /run/job
modprobe -a 9pnet_virtio 9p
mount -t 9p -o trans=virtio,version=9p2000.L job /run/job && sh /run/job/init.sh
echo o >/proc/sysrq-trigger
sleep 60'

# Makes the machine's disk unless it is there and made from this root, as
# it now is, with this first process.
build_machine() {
    machine_wanted="root built $(stat -c %Y "$root/$stamp_name"), stub $(echo "$machine_stub" |
        md5sum | cut -c1-32)"
    [ -f "$machine/stamp" ] && [ "$(cat "$machine/stamp")" = "$machine_wanted" ] && return 0
    for tool in qemu-system-x86_64 mkfs.ext4; do
        command -v $tool >/dev/null ||
            { say "$tool is not installed (tools/install-deps.sh installs it)"; exit 1; }
    done
    say "making the emulated machine's disk from $root"
    start=$(date +%s)
    echo "$machine_stub" >"$root/usr/local/sbin/tessaron-machine"
    chmod 755 "$root/usr/local/sbin/tessaron-machine"
    rm -rf "$machine.partial"
    mkdir -p "$machine.partial"
    # Room for what the machine writes outside the shared folders (little:
    # the rest goes to its scratch disk); the file is sparse.
    size=$(( $(du -sm --one-file-system "$root" | cut -f1) + 1024 ))
    mkfs.ext4 -q -L tessaron -d "$root" "$machine.partial/disk.img" "${size}M" >/dev/null
    kernel=$(ls "$root"/boot/vmlinuz-* | sort -V | tail -n 1)
    cp "$kernel" "$machine.partial/vmlinuz"
    cp "$root/boot/initrd.img-${kernel#*/vmlinuz-}" "$machine.partial/initrd"
    echo "$machine_wanted" >"$machine.partial/stamp"
    rm -rf "$machine"
    mv "$machine.partial" "$machine"
    say "made in $(( $(date +%s) - start )) s, $(du -sh "$machine" | cut -f1)"
}

# Quotes each argument for sh.
quote() {
    for arg in "$@"; do
        printf "'%s' " "$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")"
    done
}

# Runs CMD in the emulated machine and exits with its exit code, or with
# 125 if the machine did not run it.
run_in_machine() {
    check_folder
    job=$(mktemp -d /var/tmp/tessaron-machine.XXXXXX)
    trap 'rm -rf "$job"' EXIT
    trap 'exit 130' INT TERM
    cp "$repository/tools/lib/machine-init.sh" "$job/init.sh"
    cp "$repository/tools/lib/write-back.py" "$job/write-back.py"
    printf 'inside_path=%s\numask %s\n' "$inside_path" "$(umask)" >"$job/settings"
    (unset PATH; export -p) >"$job/environment"
    echo "cd $(quote "$PWD") && exec $(quote "$@")" >"$job/command"
    # The shares: the job, /tmp, and the repository unless it lies in /tmp.
    # QEMU reads a comma in a path as two.
    share() {
        echo "$2 $1" >>"$job/shares"
        set -- "$(printf '%s' "$1" | sed 's/,/,,/g')" "$2"
        echo "local,path=$1,mount_tag=$2,security_model=none,multidevs=remap"
    }
    set -- -virtfs "$(share /tmp tmp)"
    case "$repository/" in
        /tmp/*) ;;
        *) set -- "$@" -virtfs "$(share "$repository" repository)" ;;
    esac
    set -- "$@" -virtfs "local,path=$job,mount_tag=job,security_model=none"
    # The scratch disk that holds what the command writes until it ends.
    truncate -s 256G "$job/scratch.img"
    memory=$(awk '/^MemTotal:/ { m = int($2 / 2048); print (m > 8192 ? 8192 : m) }' /proc/meminfo)
    # The machine's ports for the command's output come out of two pipes,
    # which cat copies to this script's own: written by QEMU, which opens
    # by path what it writes to, a file would lose what was written before.
    mkfifo "$job/stdout" "$job/stderr"
    cat "$job/stdout" &
    cat "$job/stderr" >&2 &
    # TCG, with one thread per processor: the machines this is for have no
    # KVM. -cpu max gives the guest features that QEMU's emulation gets
    # wrong (Debian 12's kernel faulted on Wine's 32-bit code); qemu64
    # does not.
    set -- qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot \
        -accel tcg,thread=multi -cpu qemu64 -smp "$(nproc)" -m "$memory" \
        -kernel "$machine/vmlinuz" -initrd "$machine/initrd" \
        -append "root=/dev/vda rw console=ttyS0 quiet loglevel=3 rd.udev.log_level=3 panic=1 init=/usr/local/sbin/tessaron-machine" \
        -drive "file=$machine/disk.img,format=raw,if=virtio,snapshot=on,cache=unsafe" \
        -drive "file=$job/scratch.img,format=raw,if=virtio,discard=unmap,cache=unsafe" \
        "$@" -device virtio-serial-pci \
        -chardev "file,id=stdout,path=$job/stdout" -device virtserialport,chardev=stdout,name=stdout \
        -chardev "file,id=stderr,path=$job/stderr" -device virtserialport,chardev=stderr,name=stderr \
        -serial "file:$job/console.log" -monitor none
    "$@" </dev/null >"$job/qemu.log" 2>&1 || true
    wait
    if [ ! -s "$job/status" ]; then
        say "the emulated machine ended without running the command; the last of its console:"
        tail -n 30 "$job/console.log" "$job/qemu.log" >&2
        exit 125
    fi
    exit "$(cat "$job/status")"
}

# Says which Wine the root holds.
describe() {
    road=natively
    wine_is_emulated "$repository" && road="in an emulated machine (QEMU)"
    printf '%s (WoW64, Debian %s, %s, run %s)\n' "$(enter "$root" wine --version)" "$suite" \
        "$root" "$road"
}

action=${1:-build}
[ $# -gt 0 ] && shift
mkdir -p "$(dirname "$root")"
case $action in
    build)
        (
            flock 9
            build
            if wine_is_emulated "$repository"; then build_machine; fi
        ) 9>"$root.lock"
        echo "wine-root: $(describe)"
        ;;
    version)
        (flock 9 && build) 9>"$root.lock"
        enter "$root" wine --version
        ;;
    run)
        [ $# -gt 0 ] || { say "usage: wine-root.sh run CMD [ARG...]"; exit 2; }
        # Already inside: nothing to enter.
        [ -f "/$stamp_name" ] && exec "$@"
        if wine_is_emulated "$repository"; then
            (flock 9; build; build_machine) 9>"$root.lock"
            run_in_machine "$@"
        fi
        (flock 9 && build) 9>"$root.lock"
        enter "$root" "$@"
        ;;
    *) say "usage: wine-root.sh [build] | version | run CMD [ARG...]"; exit 2 ;;
esac
