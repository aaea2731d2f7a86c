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
rm -rf "$out"
/usr/bin/python3 tools/lib/make-release.py "$version" build/win32/tessaron.exe . "$out"
