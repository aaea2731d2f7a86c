# Sourced by the scripts here.
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
