#!/bin/sh
# Runs the end-to-end driver against tessaron.exe in a throwaway Wine
# prefix, on an X server of its own (Xvfb), under a Japanese locale (ANSI
# code page 932).
#
#   run-e2e.sh DRIVER.exe TESSARON.exe WORK_FOLDER [GoogleTest options]
#
# With TESSARON_WINDOWS set to a Wine version name (winxp, win7, win10),
# the prefix reports that version of Windows, and the driver checks it.
set -u
driver=$1
program=$2
work=$3
shift 3

rm -rf "$work"
mkdir -p "$work"
export LC_ALL=ja_JP.UTF-8
. "$(dirname "$0")/wine.sh"

xvfb_pid=""
cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

. "$(dirname "$0")/xvfb.sh"
start_xvfb || exit 1

start_wine "$work/prefix"
expect=""
case "${TESSARON_WINDOWS:-}" in
    "") ;;
    winxp) expect=5.1 ;;
    win7) expect=6.1 ;;
    win10) expect=10.0 ;;
    *) echo "unknown TESSARON_WINDOWS: $TESSARON_WINDOWS" >&2; exit 2 ;;
esac
if [ -n "$expect" ]; then
    wine winecfg /v "$TESSARON_WINDOWS" </dev/null >/dev/null 2>&1
    set -- "--expect-windows=$expect" "$@"
fi

wine "$(winpath "$driver")" "$(winpath "$program")" "$@"
