#!/bin/sh
# The first process of the machine tools/wine-vm.sh starts: mounts the
# shared repository, runs the job's command, stores its output and exit
# code beside it, and powers off.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /root
for word in $(cat /proc/cmdline); do
    case $word in
        wine_vm_root=*) repository=${word#*=} ;;
        wine_vm_job=*) job=${word#*=} ;;
    esac
done
# The repository is seen through an overlay whose changes stay in the
# machine: each run starts from the host's tree as it is, and what it writes
# (Wine prefixes above all) stays on the machine's own disk. Only the job's
# output, and the files it names to keep, go back to the shared folder.
modprobe 9pnet_virtio
modprobe 9p
modprobe overlay
mkdir -p /mnt/host /var/tmp/upper /var/tmp/work "$repository"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=mmap repository /mnt/host
mount -t overlay overlay -o lowerdir=/mnt/host,upperdir=/var/tmp/upper,workdir=/var/tmp/work \
    "$repository"
# Wine maps Windows programs from the shared folder wrongly (they crash at
# their first instruction): copy them up into the overlay, on local disk.
find "$repository/build" -name '*.exe' -exec touch -c {} + 2>/dev/null
shared=/mnt/host${job#"$repository"}
sh "$shared/command" >"$shared/output.log" 2>&1
status=$?
while read -r kept; do
    [ -n "$kept" ] && [ -e "$repository/$kept" ] && cp "$repository/$kept" "/mnt/host/$kept"
done <"$shared/keep"
echo $status >"$shared/status"
sync
echo o >/proc/sysrq-trigger
sleep 10
