#!/bin/sh
# Installs everything the builds, tests and demo need on Debian 12, as
# root (the Japanese font lets the demo's message boxes be read; debootstrap
# builds the root that holds the WoW64 Wine and bubblewrap enters it,
# tools/wine-root.sh; ImageMagick and icotool draw the icon and the demo's
# pictures; git dates the release).
# What is already there is left alone; with nothing missing this makes no
# network access at all.
set -e

packages="cmake make g++ python3 libgtest-dev googletest locales clang libclang-rt-14-dev
g++-mingw-w64-i686 wine wine32:i386 xvfb xdotool imagemagick icoutils python3-pefile
fonts-ipafont-gothic debootstrap bubblewrap git"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q ' installed$' || missing="$missing $p"
done
# Wine takes the ANSI code page from the locale, and reads Linux file names
# through its character set: every locale the end-to-end tests switch to
# must be compiled, or names outside ASCII come out garbled.
need_locales=""
for l in ja_JP en_US zh_CN ko_KR ru_RU; do
    locale -a 2>/dev/null | grep -qix "$l.utf-\{0,1\}8" || need_locales="$need_locales $l"
done
[ -z "$missing$need_locales" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing:$missing${need_locales:+; locales:$need_locales}; run as root" >&2
    exit 1
fi
if [ -n "$missing" ]; then
    echo "install-deps: installing$missing"
    # Wine runs 32-bit Windows programs with its i386 half.
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq $missing >/dev/null
fi
for l in $need_locales; do
    echo "install-deps: compiling the $l.UTF-8 locale"
    localedef -i "$l" -f UTF-8 "$l.UTF-8"
done
