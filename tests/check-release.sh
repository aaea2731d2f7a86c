#!/bin/sh
# Builds the release twice, from copies of the source in two different
# folders, and checks what a user downloads:
# - the two builds give the same tessaron.exe and the same zip, byte for byte;
# - the zip's tessaron.exe is the one built in BUILD_EXE;
# - the zip holds exactly tessaron.exe, readme.txt, readme-en.txt, LICENSE.txt;
# - readme.txt is code page 932 text with CRLF line ends only, and the other
#   texts have CRLF line ends only;
# - SHA256SUMS checks out.
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

if [ $failed -ne 0 ]; then
    echo "the release is NOT as it should be; the builds are in $scratch" >&2
    exit 1
fi
rm -rf "$scratch"
