#!/bin/sh
# Measures tessaron.exe under Wine and prints the figures (not a test):
# - for folders of 1,000, 10,000 and 100,000 bitmaps, the random pick (two
#   passes over the folder) against one bare scan of it, as a ratio of
#   medians, with the peak working set;
# - a whole run with a file argument against a program that does nothing.
# Run it from the repository root.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --preset win32 --log-level=WARNING >/dev/null
cmake --build --preset win32 --target tessaron bench_pick nothing >/dev/null

work=$root/build/win32/bench
. tools/wine.sh
require_wine
trap 'wineserver -k 2>/dev/null || true' EXIT
start_wine "$work/prefix"
for n in 1000 10000 100000; do
    folder=$work/folder-$n
    if [ "$(ls "$folder" 2>/dev/null | wc -l)" -ne $((n + 1)) ]; then
        rm -rf "$folder"
        mkdir -p "$folder"
        (cd "$folder" && seq -f 'picture%06g.bmp' 1 "$n" | xargs touch)
    fi
    cp build/win32/tests/bench_pick.exe "$folder/"
    wine "$folder/bench_pick.exe" pick
done

/usr/bin/python3 tools/make_samples.py "$work/samples"
wine build/win32/tests/bench_pick.exe run "$(winpath "$root/build/win32/tessaron.exe")" \
    "$(winpath "$root/build/win32/tests/nothing.exe")" "$(winpath "$work/samples/meadow.bmp")"
