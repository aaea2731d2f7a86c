#!/bin/sh
# Installs everything the builds, tests and demo need on Debian 12, as
# root (the Japanese font lets the demo's message boxes be read; debootstrap
# builds the root that holds the WoW64 Wine, tools/wine-root.sh).
# What is already there is left alone; with nothing missing this makes no
# network access at all.
set -e

packages="cmake make g++ python3 libgtest-dev googletest locales clang libclang-rt-14-dev
g++-mingw-w64-i686 wine wine32:i386 xvfb xauth xdotool x11-utils imagemagick
icoutils python3-pefile fonts-ipafont-gothic debootstrap"

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
# Wine takes code page 932 from a Japanese locale, but can give files
# Japanese names only when glibc has that locale compiled.
need_locale=""
locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\{0,1\}8' || need_locale=yes
[ -z "$missing$need_locale" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing:$missing${need_locale:+ ja_JP.UTF-8 locale}; run as root" >&2
    exit 1
fi
if [ -n "$missing" ]; then
    echo "install-deps: installing$missing"
    # Wine runs 32-bit Windows programs with its i386 half.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq $missing >/dev/null
fi
if [ -n "$need_locale" ]; then
    echo "install-deps: compiling the ja_JP.UTF-8 locale"
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
