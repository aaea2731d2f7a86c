#!/bin/sh
# Installs what is missing, builds both presets and runs every test:
# the unit tests natively and under Wine, and the checks on tessaron.exe.
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

for preset in host win32; do
    step "configure $preset" cmake --preset "$preset" --log-level=WARNING
    step "build $preset" cmake --build --preset "$preset"
    step "test $preset" ctest --preset "$preset" --output-on-failure --progress
done

if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
echo "All tests passed."
