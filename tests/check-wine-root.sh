#!/bin/sh
# What `tools/wine-root.sh run CMD` promises, whichever way it enters the
# root here (natively, or in the emulated machine): CMD runs in the current
# folder, with this environment, its standard output and error kept apart,
# and its exit code passed on; what it writes or removes in the repository
# and in /tmp is so afterwards.
#
#   check-wine-root.sh
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "$root/build/wine-root-check.XXXXXX")
outside=$(mktemp -d /tmp/wine-root-check.XXXXXX)
trap 'rm -rf "$work" "$outside"' EXIT
mkdir "$work/folder" "$outside/gone"
echo old >"$work/folder/changed"
echo old >"$outside/gone/file"

failures=0
expect() {
    if [ "$2" != "$3" ]; then
        echo "FAILED: $1: expected [$3], got [$2]"
        failures=$((failures + 1))
    fi
}

cd "$work/folder"
TESSARON_CHECK_VALUE="a 'quoted' value" "$root/tools/wine-root.sh" run sh -c '
    test -f /.tessaron-wine-root || echo "not inside the root"
    pwd
    echo "$TESSARON_CHECK_VALUE"
    echo "to standard error" >&2
    echo new >changed
    mkdir -p made/deeper && echo made >made/deeper/file
    echo made >"$1/file"
    rm -r "$1/gone"
    exit 3' sh "$outside" >"$work/out" 2>"$work/err"
status=$?
expect "exit code" "$status" 3
expect "standard output" "$(cat "$work/out")" "$work/folder
a 'quoted' value"
expect "standard error" "$(cat "$work/err")" "to standard error"
expect "a changed file" "$(cat changed)" new
expect "a file made in the repository" "$(cat made/deeper/file 2>&1)" made
expect "a file made in /tmp" "$(cat "$outside/file" 2>&1)" made
expect "a folder removed from /tmp" "$(ls "$outside")" file
[ $failures -eq 0 ] && echo "tools/wine-root.sh run keeps its promises."
exit $((failures != 0))
