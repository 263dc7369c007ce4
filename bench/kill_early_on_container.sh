#!/bin/sh
# Kills a w98 program working on a VDI within its first 30 ms, 30 times (or $1 times), and counts
# the storage daemons and FUSE mounts that outlive it. A sound build prints "left over: 0".
# Usage: bench/kill_early_on_container.sh [rounds] [build folder]
set -eu
rounds=${1:-30}
build=${2:-build}
w98=$(realpath "$build/bin/w98")
work=$(mktemp -d /tmp/korvane-kill-early-XXXXXX)
export XDG_CACHE_HOME="$work/cache"
trap 'rm -rf "$work"' EXIT

"$w98" --demo-image "$work/demo.img" fat16 >/dev/null
qemu-img convert -f raw -O vdi "$work/demo.img" "$work/c.vdi"
export WIN98_MACHINE="$work/c.vdi"

# A daemon or mount of this disk's working folder, still there.
left() {
    pgrep -f "qemu-storage-daemon.*$XDG_CACHE_HOME" >/dev/null || grep -q "$XDG_CACHE_HOME" /proc/self/mountinfo
}

leftover=0
i=0
while [ "$i" -lt "$rounds" ]; do
    "$w98" attrib 'C:\*.*' >/dev/null 2>&1 &
    pid=$!
    sleep "0.0$(( $(od -An -N1 -tu1 /dev/urandom) % 30 / 10 ))$(( $(od -An -N1 -tu1 /dev/urandom) % 10 ))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    n=0
    while left && [ "$n" -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
    if left; then
        leftover=$((leftover + 1))
        # End what this run left, by its own process ids.
        for stray in $(pgrep -f "qemu-storage-daemon.*$XDG_CACHE_HOME"); do kill -KILL "$stray"; done
        fusermount3 -u -z "$(dirname "$(find "$XDG_CACHE_HOME" -name disk.raw | head -1)")/disk.raw" 2>/dev/null || true
    fi
    i=$((i + 1))
done
echo "rounds: $rounds, left over: $leftover"
qemu-img check "$WIN98_MACHINE" >/dev/null && echo "qemu-img check: free and sound"
