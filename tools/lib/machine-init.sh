#!/bin/sh
# The emulated machine's half of `tools/wine-root.sh run`: the machine's
# first process runs this from the job folder the host shares as "job"
# (/run/job), as root. It runs the job's command where the host asked,
# with its environment and its output on the host's, then copies what the
# command wrote back to the host and leaves the exit code in the job
# folder. The machine powers off when this ends.
#
# The repository and /tmp are the host's, shared by 9p, each seen through
# an overlay whose changes go to a disk of the machine's own while the
# command runs: Wine writes its prefixes (over a gigabyte each, in
# thousands of files) four times as fast there as through 9p. When the
# command has ended and every process it left is gone, write-back.py
# copies the changes down to the host's folders.
job=/run/job
. "$job/settings"
export PATH="$inside_path"

mkdir -p /dev/pts /dev/shm /run/lower /run/scratch
mount -t devpts devpts /dev/pts 2>/dev/null
mount -t tmpfs tmpfs /dev/shm
# Debian's wineserver makes the folder of its socket in /run/user/UID when
# that exists, else in /tmp, whence the write-back would leave it on the
# host.
mkdir -p -m 0700 /run/user/0
modprobe -a virtio_console overlay 2>/dev/null

# The scratch disk: a sparse file on the host, which the discards keep
# from growing with each prefix made and removed.
mkfs.ext4 -q -O ^has_journal -E nodiscard /dev/vdb &&
    mount -o discard,noatime /dev/vdb /run/scratch || exit 1

# shares: "TAG PATH" lines: /tmp, then the repository unless it lies there.
overlays=""
while read -r tag path; do
    lower=/run/lower/$tag
    mkdir -p "$lower" "/run/scratch/$tag/upper" "/run/scratch/$tag/work" "$path"
    mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose "$tag" "$lower" &&
        mount -t overlay overlay \
            -o "lowerdir=$lower,upperdir=/run/scratch/$tag/upper,workdir=/run/scratch/$tag/work,redirect_dir=off,metacopy=off,index=off" \
            "$path" || exit 1
    overlays="$overlays $tag:$path"
done <"$job/shares"
# The X servers' sockets stay in the machine.
mkdir -p /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix

# The virtio ports the host joins to its standard output and error.
port() {
    for name in /sys/class/virtio-ports/*/name; do
        [ "$(cat "$name")" = "$1" ] && echo "/dev/$(basename "$(dirname "$name")")" && return
    done
    echo /dev/console
}
out=$(port stdout)
err=$(port stderr)

(
    . "$job/environment"
    # The host's display and runtime folder are not this machine's.
    unset DISPLAY XAUTHORITY
    export PATH="$inside_path" XDG_RUNTIME_DIR=/run/user/0
    . "$job/command"
) </dev/null >"$out" 2>"$err"
status=$?

# Every process the command left (a persistent wineserver saves its
# registry on SIGTERM) ends before its files are copied.
others() {
    for p in /proc/[0-9]*; do
        [ "${p#/proc/}" != 1 ] && [ "${p#/proc/}" != $$ ] && [ -e "$p/exe" ] && return 0
    done
    return 1
}
kill -TERM -1 2>/dev/null
for i in $(seq 100); do others || break; sleep 0.1; done
kill -KILL -1 2>/dev/null
sleep 0.2

# The upper folders are read once nothing can write to them any more.
umount /tmp/.X11-unix
for overlay in $overlays; do umount "${overlay#*:}"; done
for overlay in $overlays; do
    tag=${overlay%%:*}
    if ! python3 "$job/write-back.py" "/run/scratch/$tag/upper" "/run/lower/$tag" 2>"$err"; then
        echo "wine-root: what the command wrote in ${overlay#*:} did not all reach the host" >"$err"
        [ "$status" -eq 0 ] && status=1
    fi
    umount "/run/lower/$tag"
done
echo "$status" >"$job/status"
sync
