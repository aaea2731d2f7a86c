# Sourced by the scripts here.
#
# require_wine: returns if Wine can start here. Wine runs a 32-bit Windows
# program as a 32-bit Linux process, which a kernel started without 32-bit
# x86 support (ia32_emulation=off) refuses with "Exec format error": then
# this says so and exits with 77, which ctest counts as a skipped test. Any
# other failure to start is an error (exit 1).
require_wine() {
    if ! why=$(wine --version 2>&1); then
        case "$why" in
            *"Exec format error"*)
                echo "SKIPPED: Wine cannot start: this machine's kernel runs no 32-bit x86" \
                     "programs (dmesg: \"32-bit emulation disabled\")" >&2
                exit 77 ;;
        esac
        echo "Wine cannot start: $why" >&2
        exit 1
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
