#!/bin/sh
# Builds the release a Windows user downloads: build/release/tessaron-VERSION.zip
# (the program, its readme in Japanese and in English, the licence) and
# SHA256SUMS beside it. The version is the project's, from CMakeLists.txt.
# Run it from the repository root; two runs of the same commit give the
# same bytes.
#
#   tools/release.sh [OUT_FOLDER]
#
# Signed when the maintainer gives keys (docs/release.md), each road alone:
#   TESSARON_SIGN_CERT, TESSARON_SIGN_KEY   the code-signing certificate
#       chain and its private key (PEM files): the program is signed with
#       Authenticode before it goes into the zip.
#   TESSARON_GPG_KEY   a key in the caller's GnuPG keyring:
#       SHA256SUMS.asc, a detached ASCII-armoured signature of SHA256SUMS.
# Without them the release is as unsigned as ever, byte for byte. Nothing
# is written unless every step succeeds.
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/release}
cert=${TESSARON_SIGN_CERT:-}
key=${TESSARON_SIGN_KEY:-}
gpg_key=${TESSARON_GPG_KEY:-}

fail() { echo "release: $*" >&2; exit 2; }
if [ -n "$cert" ] || [ -n "$key" ]; then
    [ -n "$cert" ] || fail "TESSARON_SIGN_KEY is given without TESSARON_SIGN_CERT, its certificate"
    [ -n "$key" ] || fail "TESSARON_SIGN_CERT is given without TESSARON_SIGN_KEY, its private key"
    for file in "$cert" "$key"; do
        [ -r "$file" ] || fail "cannot read $file"
    done
fi

tools/install-deps.sh
if [ -n "$gpg_key" ]; then
    gpg --batch --list-secret-keys "$gpg_key" >/dev/null 2>&1 ||
        fail "TESSARON_GPG_KEY: no secret key $gpg_key in the keyring"
fi
cmake --preset win32 --log-level=WARNING >/dev/null
cmake --build --preset win32 --target tessaron >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
exe=build/win32/tessaron.exe
partial=$out.partial
rm -rf "$partial"
mkdir -p "$partial"
trap 'rm -rf "$partial"' EXIT
if [ -n "$cert" ]; then
    # Dated as the zip's entries are: a signed release is the same bytes
    # again too, with the same key.
    tools/lib/sign-exe.sh "$cert" "$key" "$(/usr/bin/python3 tools/lib/make-release.py --date .)" \
        "$exe" "$partial/tessaron.exe"
    exe=$partial/tessaron.exe
fi
/usr/bin/python3 tools/lib/make-release.py "$version" "$exe" . "$partial/zip" >/dev/null
if [ -n "$gpg_key" ]; then
    gpg --local-user "$gpg_key" --armor --detach-sign --output "$partial/zip/SHA256SUMS.asc" \
        "$partial/zip/SHA256SUMS"
fi
rm -rf "$out"
mv "$partial/zip" "$out"
echo "$(cut -d' ' -f1 "$out/SHA256SUMS")  $out/tessaron-$version.zip"
[ -z "$cert" ] || echo "tessaron.exe in it signed with Authenticode ($(wc -c <"$exe") bytes)"
[ -z "$gpg_key" ] || echo "$out/SHA256SUMS.asc: SHA256SUMS signed with $gpg_key"
