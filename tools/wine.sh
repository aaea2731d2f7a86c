# Sourced by the scripts here.
#
# require_wine: returns if Wine can start here; otherwise says why and exits
# with 77, which ctest counts as a skipped test. Wine runs a 32-bit Windows
# program as a 32-bit Linux process, which a kernel started without 32-bit
# x86 support (ia32_emulation=off) refuses ("Exec format error").
require_wine() {
    if ! wine --version >/dev/null 2>&1; then
        echo "SKIPPED: Wine cannot start on this machine: $(wine --version 2>&1 | tail -n 1)" >&2
        echo "(its kernel runs no 32-bit x86 programs; see dmesg for \"32-bit emulation\")" >&2
        exit 77
    fi
}
#
# start_wine PREFIX: a 32-bit Wine prefix, made if need be, whose server
# runs for the whole script. The server and the prefix's services start
# with their output going nowhere: started by a program's own run, they
# would hold the script's output open until they exit.
start_wine() {
    export WINEPREFIX="$1"
    export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wineboot -i </dev/null >/dev/null 2>&1
}

# winpath PATH: the Windows name of a Linux path (Wine maps / to Z:).
winpath() {
    printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'
}
