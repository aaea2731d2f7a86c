#!/bin/sh
# Builds tessaron.exe twice, from copies of the source in two different
# folders, and checks that the two files are identical byte for byte.
#
#   tools/check-reproducible.sh [SCRATCH_FOLDER]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
scratch=${1:-$(mktemp -d)}
rm -rf "$scratch"
mkdir -p "$scratch"

for copy in first second-with-a-longer-name; do
    mkdir -p "$scratch/$copy"
    (cd "$src" && tar --exclude=./build --exclude=./.git -cf - .) | (cd "$scratch/$copy" && tar -xf -)
    cmake -S "$scratch/$copy" -B "$scratch/$copy/out" --log-level=WARNING \
        -DCMAKE_TOOLCHAIN_FILE="$scratch/$copy/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$scratch/$copy/out" --target tessaron >/dev/null
done

a="$scratch/first/out/tessaron.exe"
b="$scratch/second-with-a-longer-name/out/tessaron.exe"
sha256sum "$a" "$b"
if cmp "$a" "$b"; then
    echo "reproducible: $(wc -c < "$a") bytes, identical"
    rm -rf "$scratch"
else
    echo "NOT reproducible: the two builds differ" >&2
    exit 1
fi
