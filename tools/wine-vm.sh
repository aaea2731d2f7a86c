#!/bin/sh
# Runs a command in a throwaway virtual machine that runs Wine, for a host
# whose kernel runs no 32-bit x86 programs (and so no Wine). The machine is
# Debian 12 with Wine, emulated by QEMU (no KVM needed, -snapshot: its disk
# is never changed); the repository is shared with it at the same path, so
# the command sees the build tree as the host does.
#
#   tools/wine-vm.sh image FOLDER            build FOLDER/disk.img, once
#   tools/wine-vm.sh run FOLDER COMMAND...   run COMMAND in the repository
#                                            root inside the machine; exits
#                                            with its exit code
#
# What the command writes stays in the machine, except the files named in
# WINE_VM_KEEP (paths from the repository root, separated by spaces), which
# come back to the same paths here.
#
# The image takes about five minutes to build (debootstrap and apt-get from
# Debian's mirror) and 2.2 GB (the disk is a 16 GB sparse file: the Wine
# prefixes of a test run fill several); a run boots in about ten seconds.
set -eu
export PATH="/usr/sbin:/sbin:$PATH"
root=$(cd "$(dirname "$0")/.." && pwd)
action=$1
folder=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

# The machine's packages come from the Debian mirror this host's apt uses.
debian_mirror() {
    sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources \
        2>/dev/null | grep -v security | grep '/debian/*$' | head -n 1
    sed -n 's/^deb[[:space:]]\{1,\}\(\[[^]]*\][[:space:]]\{1,\}\)\{0,1\}\([^[:space:]]*\)[[:space:]]\{1,\}bookworm[[:space:]].*/\2/p' \
        /etc/apt/sources.list 2>/dev/null | head -n 1
}

build_image() {
    [ -e "$folder/disk.img" ] && return 0
    tree=$folder/tree
    rm -rf "$tree"
    mirror=$(debian_mirror | head -n 1)
    [ -n "$mirror" ] || { echo "wine-vm: no Debian 12 mirror in /etc/apt" >&2; exit 1; }
    echo "wine-vm: installing Debian 12 with Wine into $tree"
    debootstrap --variant=minbase \
        --include=linux-image-amd64,initramfs-tools,locales,python3-minimal,procps,cmake \
        bookworm "$tree" "$mirror" >"$folder/debootstrap.log" 2>&1 ||
        { tail -n 20 "$folder/debootstrap.log" >&2; exit 1; }
    mount --bind /proc "$tree/proc"
    mount --bind /sys "$tree/sys"
    mount --bind /dev "$tree/dev"
    trap 'umount "$tree/proc" "$tree/sys" "$tree/dev" 2>/dev/null || true' EXIT
    chroot "$tree" sh -c 'dpkg --add-architecture i386 && apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            wine wine32:i386 xvfb xauth xdotool imagemagick fonts-ipafont-gothic &&
        localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 && apt-get clean' \
        >"$folder/apt.log" 2>&1 || { tail -n 20 "$folder/apt.log" >&2; exit 1; }
    umount "$tree/proc" "$tree/sys" "$tree/dev"
    trap - EXIT
    cp "$root/tools/wine-vm-init.sh" "$tree/wine-vm-init"
    chmod +x "$tree/wine-vm-init"
    cp "$tree"/boot/vmlinuz-* "$folder/vmlinuz"
    cp "$tree"/boot/initrd.img-* "$folder/initrd"
    mkfs.ext4 -q -d "$tree" "$folder/disk.tmp" 16G
    mv "$folder/disk.tmp" "$folder/disk.img"
    rm -rf "$tree"
}

run_command() {
    build_image
    job=$folder/job
    rm -rf "$job"
    mkdir -p "$job"
    {
        echo "cd '$root'"
        for name in TESSARON_LOCALE TESSARON_WINDOWS; do
            eval "value=\${$name:-}"
            [ -n "$value" ] && echo "export $name='$value'"
        done
        printf '%s' 'exec'
        for arg in "$@"; do printf " '%s'" "$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")"; done
        echo
    } > "$job/command"
    printf '%s\n' ${WINE_VM_KEEP:-} > "$job/keep"
    # -cpu max gives the guest features that QEMU's emulation gets wrong
    # (the guest kernel faults on Wine's 32-bit code); qemu64 does not.
    qemu-system-x86_64 -m 6144 -smp 2 -accel tcg,thread=multi -cpu qemu64 \
        -kernel "$folder/vmlinuz" -initrd "$folder/initrd" \
        -append "root=/dev/vda rw console=ttyS0 quiet init=/wine-vm-init wine_vm_root=$root wine_vm_job=$job" \
        -drive "file=$folder/disk.img,format=raw,if=virtio,snapshot=on" \
        -virtfs "local,path=$root,mount_tag=repository,security_model=none" \
        -nographic -no-reboot -serial mon:stdio </dev/null >"$job/console.log" 2>&1 || true
    cat "$job/output.log" 2>/dev/null || true
    if [ ! -s "$job/status" ]; then
        echo "wine-vm: the machine ended without running the command; its console:" >&2
        tail -n 30 "$job/console.log" >&2
        exit 1
    fi
    exit "$(cat "$job/status")"
}

case $action in
    image) build_image ;;
    run) run_command "$@" ;;
    *) echo "usage: wine-vm.sh image|run FOLDER [COMMAND...]" >&2; exit 2 ;;
esac
