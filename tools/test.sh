#!/bin/sh
# Installs what is missing, then builds and runs every test:
#   host   the unit tests, natively
#   asan   the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   win32  tessaron.exe; the unit tests under Wine; the exe's headers, imports,
#          resources and size; a reproducible build; the end-to-end tests
#   fuzz   each libFuzzer harness for FUZZ_SECONDS (default 30)
# Run it from the repository root. Exits non-zero if anything fails.
set -u
cd "$(dirname "$0")/.."
tools/install-deps.sh || exit 1

failed=""
step() {
    name=$1
    shift
    echo "== $name"
    if ! "$@"; then
        failed="$failed $name"
    fi
}

for preset in host asan win32 fuzz; do
    extra=""
    [ "$preset" = fuzz ] && extra="-DFUZZ_SECONDS=${FUZZ_SECONDS:-30}"
    step "configure $preset" cmake --preset "$preset" --log-level=WARNING $extra
    step "build $preset" cmake --build --preset "$preset"
    step "test $preset" ctest --preset "$preset" --output-on-failure
done

if wine --version 2>&1 | grep -q "Exec format error"; then
    echo "Note: Wine cannot start on this machine (no 32-bit x86 programs), so the"
    echo "unit tests under Wine and the end-to-end tests were skipped above; they"
    echo "run below in a virtual machine that runs Wine."
    step "test win32 under Wine, in a virtual machine" tools/wine-vm.sh run build/win32/vm \
        sh -c 'ctest --test-dir build/win32 -L e2e --output-on-failure; e2e=$?
               tools/wine-exec.sh "$PWD/build/win32/wineprefix" build/win32/tests/unit_tests.exe
               [ $? -eq 0 ] && [ $e2e -eq 0 ]'
fi
if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
echo "All tests passed."
