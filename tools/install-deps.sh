#!/bin/sh
# Installs everything the builds and tests need on Debian 12, as root.
# Packages already installed are left alone; with nothing missing this
# makes no network access at all.
set -e

packages="cmake make g++ python3 libgtest-dev googletest
g++-mingw-w64-i686 wine wine32:i386 xvfb xauth xdotool x11-utils imagemagick
icoutils python3-pefile"

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing:$missing; run this as root to install them" >&2
    exit 1
fi
echo "install-deps: installing$missing"
# Wine runs 32-bit Windows programs with its i386 half.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
