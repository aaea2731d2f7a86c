#!/bin/sh
# Builds the release a Windows user downloads: build/release/tessaron-VERSION.zip
# (the program, its readme in Japanese and in English, the licence) and
# SHA256SUMS beside it. The version is the project's, from CMakeLists.txt.
# Run it from the repository root; two runs of the same commit give the
# same bytes.
#
#   tools/release.sh [OUT_FOLDER]
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/release}

tools/install-deps.sh
cmake --preset win32 --log-level=WARNING >/dev/null
cmake --build --preset win32 --target tessaron >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
# The entries are dated by the last commit, so that every build of one
# commit gives the same zip.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi
rm -rf "$out"
/usr/bin/python3 tools/make_release.py "$version" build/win32/tessaron.exe . "$out"
