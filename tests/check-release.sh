#!/bin/sh
# Builds the release twice, from copies of the source in two different
# folders, and checks what a user downloads:
# - the two builds give the same tessaron.exe and the same zip, byte for byte;
# - the zip's tessaron.exe is the one built in BUILD_EXE;
# - the zip holds exactly tessaron.exe, readme.txt, readme-en.txt, LICENSE.txt;
# - readme.txt is code page 932 text with CRLF line ends only, and the other
#   texts have CRLF line ends only;
# - SHA256SUMS checks out.
# Then, with throwaway keys (tests/make-throwaway-keys.sh), the signed
# release from the first folder:
# - a certificate without its key is refused, and nothing is written;
# - the zip differs from the unsigned one only in tessaron.exe, which is
#   the build's program with a signature added (tests/check-exe.py), which
#   osslsigncode verifies against the throwaway authority, and no longer
#   once one byte of the program is changed;
# - gpg verifies SHA256SUMS.asc against SHA256SUMS;
# - the unsigned release is still the same, byte for byte;
# - the repository holds no private key.
#
#   tests/check-release.sh BUILD_EXE [SCRATCH_FOLDER]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build_exe=$(realpath "$1")
scratch=${2:-$(mktemp -d)}
rm -rf "$scratch"
mkdir -p "$scratch"

# The copies have no history: both take the date this source's release takes.
SOURCE_DATE_EPOCH=$(/usr/bin/python3 "$src/tools/lib/make-release.py" --date "$src")
export SOURCE_DATE_EPOCH

for copy in first second-with-a-longer-name; do
    mkdir -p "$scratch/$copy"
    (cd "$src" && tar --exclude=./build --exclude=./.git -cf - .) | (cd "$scratch/$copy" && tar -xf -)
    (cd "$scratch/$copy" && tools/release.sh out >/dev/null)
done

failed=0
check() {
    if eval "$2"; then echo "ok    $1"; else echo "FAIL  $1"; failed=1; fi
}
a=$scratch/first
b=$scratch/second-with-a-longer-name
zip=$(cd "$a/out" && ls tessaron-*.zip)
check "tessaron.exe is the same from both folders ($(wc -c < "$a/build/win32/tessaron.exe") bytes)" \
    'cmp -s "$a/build/win32/tessaron.exe" "$b/build/win32/tessaron.exe"'
check "$zip is the same from both folders ($(wc -c < "$a/out/$zip") bytes)" \
    'cmp -s "$a/out/$zip" "$b/out/$zip"'
check "SHA256SUMS is the same from both folders" 'cmp -s "$a/out/SHA256SUMS" "$b/out/SHA256SUMS"'
check "SHA256SUMS checks out" '(cd "$a/out" && sha256sum --quiet -c SHA256SUMS)'

/usr/bin/python3 -m zipfile -e "$a/out/$zip" "$scratch/unpacked"
check "the zip holds tessaron.exe, readme.txt, readme-en.txt, LICENSE.txt" \
    '[ "$(/usr/bin/python3 -c "import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())" \
        "$a/out/$zip")" = "tessaron.exe readme.txt readme-en.txt LICENSE.txt" ]'
check "the zip's tessaron.exe is the build's" 'cmp -s "$scratch/unpacked/tessaron.exe" "$build_exe"'
# Each text: lines, all ended by CRLF; readme.txt in code page 932.
for text in readme.txt:cp932 readme-en.txt:utf-8-sig LICENSE.txt:ascii; do
    check "${text%:*} is ${text#*:} text with CRLF line ends only" '/usr/bin/python3 -c "
import sys
data = open(sys.argv[1], \"rb\").read()
data.decode(sys.argv[2])
sys.exit(not 0 < data.count(b\"\\n\") == data.count(b\"\\r\\n\") == data.count(b\"\\r\"))
" "$scratch/unpacked/${text%:*}" "${text#*:}"'
done

# The signed release.
keys=$(mktemp -d /tmp/tessaron-keys.XXXXXX)
trap 'GNUPGHOME="$keys/gnupg" gpgconf --kill gpg-agent 2>/dev/null; rm -rf "$keys"' EXIT
"$src/tests/make-throwaway-keys.sh" "$keys" --gpg
export GNUPGHOME="$keys/gnupg"
version=$(echo "$zip" | sed 's/^tessaron-\(.*\)\.zip$/\1.0/')
cp -r "$a/out" "$scratch/unsigned"
check "a certificate without its key is refused, and nothing is written" \
    '! (cd "$a" && TESSARON_SIGN_CERT="$keys/chain.pem" tools/release.sh half-signed \
            >/dev/null 2>&1) && [ ! -e "$a/half-signed" ] && [ ! -e "$a/half-signed.partial" ]'
(cd "$a" && TESSARON_SIGN_CERT="$keys/chain.pem" TESSARON_SIGN_KEY="$keys/signer.key" \
    TESSARON_GPG_KEY="$(cat "$keys/gpg-key-id")" tools/release.sh signed >/dev/null)
/usr/bin/python3 -m zipfile -e "$a/signed/$zip" "$scratch/signed"
check "the signed zip holds the same files, the same but for tessaron.exe" \
    '[ "$(cd "$scratch/signed" && ls)" = "$(cd "$scratch/unpacked" && ls)" ] &&
     for f in readme.txt readme-en.txt LICENSE.txt; do
         cmp -s "$scratch/signed/$f" "$scratch/unpacked/$f" || exit 1
     done && ! cmp -s "$scratch/signed/tessaron.exe" "$build_exe"'
signed_exe=$scratch/signed/tessaron.exe
check "the signed tessaron.exe ($(wc -c < "$signed_exe") bytes) is the build's, signed" \
    '/usr/bin/python3 "$src/tests/check-exe.py" "$signed_exe" "$version" --unsigned "$build_exe" \
        >"$scratch/check-exe.log" || { cat "$scratch/check-exe.log"; false; }'
check "osslsigncode verifies its signature against the throwaway authority" \
    'osslsigncode verify -CAfile "$keys/ca.pem" -in "$signed_exe" >"$scratch/verify.log" 2>&1 ||
        { cat "$scratch/verify.log"; false; }'
cp "$signed_exe" "$scratch/tampered.exe"
# A byte of the program's code (.text starts at 0x200).
printf '\314' | dd of="$scratch/tampered.exe" bs=1 seek=1024 conv=notrunc 2>/dev/null
check "and refuses it once one byte of the program is changed" \
    '! cmp -s "$scratch/tampered.exe" "$signed_exe" &&
     ! osslsigncode verify -CAfile "$keys/ca.pem" -in "$scratch/tampered.exe" >/dev/null 2>&1'
check "SHA256SUMS checks out, and gpg verifies SHA256SUMS.asc" \
    '(cd "$a/signed" && sha256sum --quiet -c SHA256SUMS &&
      gpg --batch --verify SHA256SUMS.asc SHA256SUMS 2>/dev/null)'
(cd "$a" && tools/release.sh out >/dev/null)
check "the unsigned release is still the same, without SHA256SUMS.asc" \
    'diff -r "$scratch/unsigned" "$a/out" >/dev/null && [ ! -e "$a/out/SHA256SUMS.asc" ]'
if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
    check "the repository holds no private key" \
        '! git -C "$src" grep -qE -e "-----BEGIN ([A-Z0-9]+ )*PRIVATE KEY( BLOCK)?-----"'
fi

if [ $failed -ne 0 ]; then
    echo "the release is NOT as it should be; the builds are in $scratch" >&2
    exit 1
fi
rm -rf "$scratch"
