#!/bin/sh
# Installs everything the builds, tests and demo need on Debian 12, as
# root (the Japanese font lets the demo's message boxes be read; debootstrap
# builds the root that holds the WoW64 Wine and bubblewrap enters it,
# tools/wine-root.sh; ImageMagick and icotool draw the icon and the demo's
# pictures; git dates the release; osslsigncode, GnuPG and OpenSSL sign
# it, and make the tests' throwaway keys; QEMU runs the WoW64 Wine in an
# emulated machine where the processor runs no 32-bit code, or with
# TESSARON_EMULATE=1, and e2fsprogs makes its disk: tools/lib/machine.sh).
# What is already there is left alone; with nothing missing this makes no
# network access at all.
set -e
cd "$(dirname "$0")/.."

packages="cmake make g++ python3 libgtest-dev googletest locales clang libclang-rt-14-dev
g++-mingw-w64-i686 wine wine32:i386 xvfb xdotool imagemagick icoutils python3-pefile
fonts-ipafont-gothic debootstrap bubblewrap git osslsigncode gnupg openssl"
# Without what QEMU recommends (its GUI, disk tools, UEFI firmware): the
# machine has no display, and boots its kernel directly from a raw image.
machine_packages="qemu-system-x86 e2fsprogs"

# missing PACKAGE...: those of PACKAGE... that are not installed.
missing() {
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q ' installed$' || echo "$p"
    done
}
# apt_install [APT-GET OPTION...] PACKAGE...
apt_install() {
    [ "$(id -u)" -eq 0 ] || { echo "install-deps: missing: $*; run as root" >&2; exit 1; }
    echo "install-deps: installing" $(echo "$@" | sed 's/--[^ ]*//g')
    export DEBIAN_FRONTEND=noninteractive
    [ -n "$updated" ] || apt-get update -qq
    updated=yes
    apt-get install -y -qq "$@" >/dev/null
}
updated=""

missing=$(missing $packages)
if [ -n "$missing" ]; then
    # Wine runs 32-bit Windows programs with its i386 half.
    if [ "$(id -u)" -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt_install $missing
fi
missing=$(missing $machine_packages)
[ -z "$missing" ] || apt_install --no-install-recommends $missing

# Wine takes the ANSI code page from the locale, and reads Linux file names
# through its character set: every locale the end-to-end tests switch to
# (tests/e2e/locales.txt) must be compiled, or names outside ASCII come out
# garbled.
for l in $(sed -n 's/^\([a-z][a-zA-Z_]*\) .*/\1/p' tests/e2e/locales.txt); do
    locale -a 2>/dev/null | grep -qix "$l.utf-\{0,1\}8" && continue
    [ "$(id -u)" -eq 0 ] || { echo "install-deps: the $l.UTF-8 locale is missing; run as root" >&2; exit 1; }
    echo "install-deps: compiling the $l.UTF-8 locale"
    localedef -i "$l" -f UTF-8 "$l.UTF-8"
done
