#!/bin/sh
# Runs the end-to-end driver against tessaron.exe in a throwaway prefix of
# tools/lib/wine.sh's Wine, on an X server of its own, under the locale
# TESSARON_LOCALE (ja_JP.UTF-8), with Wine reporting the Windows named by
# TESSARON_WINDOWS (win95 ... win10) if set.
#
#   run-e2e.sh DRIVER.exe TESSARON.exe WORK_FOLDER [driver options]
#
# Under WoW64 the work folder is WORK_FOLDER-wow64.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/lib/wine.sh"
enter_wine "$0" "$@"
require_wine
# Runs that need a loader which moves the main program: Wine 8 maps it only
# at its own base (an exe linked at 0x10000, 0x80000000 or at kernelbase's
# base got it), and does not start one whose base it cannot give.
if [ -n "${TESSARON_WOW64_ONLY:-}" ] && [ "$TESSARON_WINE" != wow64 ]; then
    echo "SKIPPED: the host's Wine never moves the main program; the WoW64 one does" >&2
    exit 77
fi
driver=$1
program=$2
work=$(realpath -m "$3")$wine_suffix
shift 3

rm -rf "$work"
mkdir -p "$work"
# Wine takes its ANSI code page from the locale.
export LC_ALL="${TESSARON_LOCALE:-ja_JP.UTF-8}"
xvfb_pid=""
# The prefix goes with the run: it is 0.6 GB under Wine 8 and 1.2 GB under
# WoW64 (the Windows DLLs, copied in), and the suite makes one per run per
# Wine. The server must be gone first, or it may write the registry into
# a folder being removed.
cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null && wineserver -w 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
start_xvfb || exit 1
start_wine "$work/prefix"
if [ -n "${TESSARON_WINDOWS:-}" ]; then
    wine winecfg /v "$TESSARON_WINDOWS" </dev/null >/dev/null 2>&1
fi

if [ -z "${TESSARON_CHECK_DLL_SEARCH:-}" ]; then
    wine "$(winpath "$driver")" "$(winpath "$program")" "$@"
    exit
fi
# With TESSARON_CHECK_DLL_SEARCH set, Wine traces the program's calls to
# SetDefaultDllDirectories and GetCommandLineA (relay tracing, restricted to
# those two), and the run passes only if the program's first traced call
# is SetDefaultDllDirectories(0x800), which succeeds, before it reads its
# command line, which it does before it looks for a window or shows one.
# The program's own calls return into its image, at 0x400000 here.
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
    /d 'KERNEL32.SetDefaultDllDirectories;KERNEL32.GetCommandLineA' /f >/dev/null 2>&1
WINEDEBUG=+relay wine "$(winpath "$driver")" "$(winpath "$program")" "$@" 2>"$work/relay.log"
status=$?
calls=$(grep -a '^[0-9a-f]*:\(Call\|Ret \) *KERNEL32\..* ret=0040[0-9a-f]\{4\}$' "$work/relay.log")
echo "The program's traced calls:"
echo "$calls"
expected="Call KERNEL32.SetDefaultDllDirectories(00000800)
Ret  KERNEL32.SetDefaultDllDirectories() retval=00000001
Call KERNEL32.GetCommandLineA()"
if [ "$(echo "$calls" | head -n 3 | sed 's/^[0-9a-f]*://; s/ ret=.*//')" != "$expected" ]; then
    echo "FAILED: the program does not begin by limiting the DLL search, with success"
    exit 1
fi
echo "The DLL search was limited to System32 before anything else."
exit "$status"
