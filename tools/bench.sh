#!/bin/sh
# Measures tessaron.exe under each Wine, and prints the figures (not a
# test; docs/figures.md): the random pick against one bare scan of folders
# of 1,000, 10,000 and 100,000 bitmaps, and whole runs against a program
# that does nothing.
#
#   tools/bench.sh             build, then measure under each Wine
#   tools/bench.sh --measure   measure under TESSARON_WINE's Wine only
set -eu
cd "$(dirname "$0")/.."
root=$PWD
. tools/lib/wine.sh

measure() {
    echo "== $wine_name"
    tools/bench.sh --measure
}
if [ "${1:-}" != --measure ]; then
    tools/install-deps.sh
    cmake --preset win32 --log-level=WARNING >/dev/null
    cmake --build --preset win32 --target tessaron bench_pick nothing demo >/dev/null
    for_each_wine measure
    [ -z "$wine_missing" ] || echo "== Not measured: $wine_missing"
    exit 0
fi

# An emulated processor runs Wine's code and the program's alike many times
# slower, and unevenly: its times say nothing of the program's.
choose_wine
if [ "$TESSARON_WINE" = wow64 ] && wine_is_emulated "$root"; then
    echo "Not measured: this Wine runs in an emulated machine, whose processor gives no" \
         "figures of the program."
    exit 0
fi
enter_wine tools/bench.sh "$@"
require_wine
work=$root/build/win32/bench
trap 'wineserver -k 2>/dev/null || true' EXIT
start_wine "$work/prefix$wine_suffix"
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

wine build/win32/tests/bench_pick.exe run "$(winpath "$root/build/win32/tessaron.exe")" \
    "$(winpath "$root/build/win32/tests/nothing.exe")" "$(winpath "$root/build/win32/demo/meadow.bmp")"
