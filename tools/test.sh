#!/bin/sh
# Installs what is missing, then builds and runs every test: the presets
# host, asan, win32 (the Wine side under each Wine) and fuzz (FUZZ_SECONDS
# each, default 30), and ends with a summary (docs/testing.md). Exits
# non-zero if anything fails.
set -u
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh || exit 1
. tools/lib/wine.sh

failed=""
summary=""
step() {
    name=$1
    shift
    echo "== $name"
    if ! "$@"; then
        failed="$failed
  $name"
        return 1
    fi
}
note() {
    summary="$summary
  $*"
}
# Said now and again in the summary.
warn() {
    echo "WARNING: $*"
    note "WARNING: $*"
}

# wine_pass host|wow64: the tests that need Wine, under that Wine. Notes
# what ran, with the counts, and returns non-zero if anything failed. Under
# WoW64 the whole pass runs inside the root: where that is the emulated
# machine, it boots once.
wine_pass() {
    log=build/win32/wine-$1.log
    start=$(date +%s)
    inside=""
    [ "$1" = wow64 ] && inside="tools/wine-root.sh run"
    { TESSARON_WINE=$1 $inside ctest --preset win32 -L wine --output-on-failure
      echo $? >"$log.status"; } | tee "$log"
    status=$(cat "$log.status")
    # The unit tests are one ctest test; GoogleTest counts their cases.
    units=$(awk '/^[0-9]+\/[0-9]+ Test: unit_tests_under_wine$/ { on = 1 }
                 on && /^\[==========\] [0-9]+ tests? from/ { all = $2 }
                 on && /^\[  PASSED  \] [0-9]+ tests?\.$/ { passed = $4 }
                 /^"unit_tests_under_wine" end time/ { on = 0 }
                 END { printf "%d of %d", passed, all }' build/win32/Testing/Temporary/LastTest.log)
    e2e_passed=$(grep -c 'Test *#[0-9]*: e2e.* Passed' "$log")
    e2e_skipped=$(grep -c 'Test *#[0-9]*: e2e.*Skipped' "$log")
    e2e_all=$(grep -c 'Test *#[0-9]*: e2e' "$log")
    skipped=""
    [ "$e2e_skipped" -gt 0 ] && skipped=", $e2e_skipped skipped (runs this Wine cannot take)"
    note "$wine_name: unit tests $units passed, end-to-end runs $e2e_passed of" \
         "$e2e_all passed$skipped ($(( $(date +%s) - start )) s)"
    return "$status"
}

# Short of what the Wine tests take on disk while they run (MiB: one
# end-to-end prefix at a time, and what is not there yet of the WoW64 root
# and the unit tests' prefixes), they fail one by one with "No space left
# on device": this says why first.
check_disk_space() {
    need=1300
    wine_root=${TESSARON_WINE_ROOT:-/var/cache/tessaron/wine-root}
    [ -d "$wine_root" ] || need=$((need + 2400))
    [ -d build/win32/wineprefix ] || need=$((need + 700))
    [ -d build/win32/wineprefix-wow64 ] || need=$((need + 1300))
    # The emulated machine's disk, and its scratch disk, which holds the
    # unit tests' prefix and one end-to-end prefix at a time.
    if wine_is_emulated "$root"; then
        [ -d "$wine_root.machine" ] || need=$((need + 2500))
        need=$((need + 3000))
    fi
    free=$(df -P -m build | awk 'NR == 2 { print $4 }')
    [ "${free:-0}" -ge "$need" ] && return 0
    warn "$free MiB free on this disk; the Wine tests need about $need."
}

wine_tests() {
    check_disk_space
    for_each_wine step_under_wine
    if [ "$wines_run" -eq 0 ]; then
        failed="$failed
  the Wine tests: no Wine can run here ($wine_missing)"
    elif [ -n "$wine_missing" ]; then
        warn "the Wine tests ran under one Wine only; not under $wine_missing."
    fi
}
step_under_wine() {
    if [ "$TESSARON_WINE" = wow64 ]; then
        step "what tools/wine-root.sh run promises" tests/check-wine-root.sh
    fi
    step "test win32 under $wine_name" wine_pass "$TESSARON_WINE"
}

# Which Wines can run here, and how, found once by trying.
probe_machine "$root"
echo "== This machine: $machine_says"
note "This machine: $machine_says."

for preset in host asan win32 fuzz; do
    extra=""
    [ "$preset" = fuzz ] && extra="-DFUZZ_SECONDS=${FUZZ_SECONDS:-30}"
    step "configure $preset" cmake --preset "$preset" --log-level=WARNING $extra
    step "build $preset" cmake --build --preset "$preset"
    if [ "$preset" = win32 ]; then
        step "test win32 without Wine" ctest --preset win32 -LE wine --output-on-failure
        wine_tests
    else
        step "test $preset" ctest --preset "$preset" --output-on-failure
    fi
done

echo "== Summary$summary"
if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
echo "All tests passed."
