#!/bin/sh
# Measures tessaron.exe under each Wine the suite runs (tools/wine.sh), one
# after the other in one run, and prints the figures of each (not a test):
# - for folders of 1,000, 10,000 and 100,000 bitmaps, the random pick (two
#   passes over the folder) against one bare scan of it, as a ratio of
#   medians, with the peak working set;
# - a whole run with a file argument against a program that does nothing.
# A Wine that cannot start here is passed over, saying why.
# Run it from the repository root.
#
#   tools/bench.sh             build, then measure under each Wine
#   tools/bench.sh --measure   measure under TESSARON_WINE's Wine only
set -eu
cd "$(dirname "$0")/.."
root=$PWD
. tools/wine.sh

if [ "${1:-}" != --measure ]; then
    tools/install-deps.sh
    cmake --preset win32 --log-level=WARNING >/dev/null
    cmake --build --preset win32 --target tessaron bench_pick nothing >/dev/null
    tools/wine-root.sh build >/dev/null
    check_host_wine
    if [ -n "$host_wine_problem" ]; then
        echo "== The host's Wine: not measured: $host_wine_problem"
    else
        echo "== $(wine --version) (host, classic 32-bit build)"
        TESSARON_WINE=host tools/bench.sh --measure
    fi
    echo "== $(tools/wine-root.sh run wine --version) (WoW64 build, Debian unstable root)"
    TESSARON_WINE=wow64 tools/bench.sh --measure
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

/usr/bin/python3 tools/make_samples.py "$work/samples"
wine build/win32/tests/bench_pick.exe run "$(winpath "$root/build/win32/tessaron.exe")" \
    "$(winpath "$root/build/win32/tests/nothing.exe")" "$(winpath "$work/samples/meadow.bmp")"
