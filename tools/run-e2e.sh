#!/bin/sh
# Runs the end-to-end driver against tessaron.exe in a throwaway Wine
# prefix, on an X server of its own (Xvfb), under a Japanese locale (ANSI
# code page 932) unless TESSARON_LOCALE names another.
#
#   run-e2e.sh DRIVER.exe TESSARON.exe WORK_FOLDER [driver options]
#
# The Wine is tools/wine.sh's choice (TESSARON_WINE); under WoW64 the work
# folder is WORK_FOLDER-wow64.
#
# With TESSARON_WINDOWS set to a Wine version name (win95, win98, nt40,
# win2k, winxp, win7, win10), the prefix reports that version of Windows.
# The driver checks both the version and the code page it runs under.
set -u
. "$(dirname "$0")/wine.sh"
enter_wine "$0" "$@"
require_wine
driver=$1
program=$2
work=$(realpath -m "$3")$wine_suffix
shift 3

rm -rf "$work"
mkdir -p "$work"
# Wine takes its ANSI code page from the locale.
export LC_ALL="${TESSARON_LOCALE:-ja_JP.UTF-8}"
case "$LC_ALL" in
    ja_JP.*) code_page=932 ;;
    en_US.*) code_page=1252 ;;
    zh_CN.*) code_page=936 ;;
    ko_KR.*) code_page=949 ;;
    ru_RU.*) code_page=1251 ;;
    *) echo "unknown TESSARON_LOCALE: $LC_ALL" >&2; exit 2 ;;
esac
xvfb_pid=""
# The prefix goes with the run: it is 0.6 GB under Wine 8 and 1.2 GB under
# WoW64 (the Windows DLLs, copied in), and the suite makes one per run per
# Wine. The server must be gone first, or it may write the registry into
# a folder being removed.
cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

. "$(dirname "$0")/xvfb.sh"
start_xvfb || exit 1

start_wine "$work/prefix"
expect=""
case "${TESSARON_WINDOWS:-}" in
    "") ;;
    win95) expect="4.0 Windows 95/98/Me" ;;
    win98) expect="4.10 Windows 95/98/Me" ;;
    nt40) expect="4.0 NT" ;;
    win2k) expect="5.0 NT" ;;
    winxp) expect="5.1 NT" ;;
    win7) expect="6.1 NT" ;;
    win10) expect="10.0 NT" ;;
    *) echo "unknown TESSARON_WINDOWS: $TESSARON_WINDOWS" >&2; exit 2 ;;
esac
if [ -n "$expect" ]; then
    wine winecfg /v "$TESSARON_WINDOWS" </dev/null >/dev/null 2>&1
    set -- "--expect-windows=$expect" "$@"
fi
set -- "--expect-code-page=$code_page" "$@"

wine "$(winpath "$driver")" "$(winpath "$program")" "$@"
