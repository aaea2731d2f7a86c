# Sourced by the scripts here that start Wine. Two Wines run the program:
#
#   host   Debian 12's Wine 8, a classic build: it runs a 32-bit Windows
#          program as a 32-bit Linux process, which needs a kernel that runs
#          32-bit x86 programs.
#   wow64  Wine 10 built for WoW64, in tools/wine-root.sh's root: 32-bit
#          Windows code inside 64-bit processes, as 64-bit Windows runs the
#          program; any x86-64 kernel will do.
#
# TESSARON_WINE picks one. Unset, it is the host's Wine where that starts,
# else WoW64.
wine_tools=$(cd "$(dirname "$0")" && pwd)

# Whether this runs inside the WoW64 root.
in_wine_root() {
    [ -f /.tessaron-wine-root ]
}

# Why the host's Wine cannot start, as host_wine_problem; empty when it can.
# A kernel started without 32-bit x86 support (ia32_emulation=off) refuses
# Wine 8's loader with "Exec format error": then host_wine_kernel is yes.
check_host_wine() {
    host_wine_problem=""
    host_wine_kernel=""
    if ! command -v wine >/dev/null 2>&1; then
        host_wine_problem="Wine is not installed"
    elif ! says=$(wine --version 2>&1); then
        case "$says" in
            *"Exec format error"*)
                host_wine_kernel=yes
                host_wine_problem="this machine's kernel runs no 32-bit x86 programs (dmesg: \"32-bit emulation disabled\")" ;;
            *) host_wine_problem=$says ;;
        esac
    fi
}

# Sets and exports TESSARON_WINE, and wine_suffix: what a prefix's name or
# a work folder's takes for this Wine, since a prefix belongs to the Wine
# that made it (a WoW64 prefix is a 64-bit one, Wine 8's a 32-bit one).
choose_wine() {
    if in_wine_root; then
        TESSARON_WINE=wow64
    else
        case "${TESSARON_WINE:-}" in
            host|wow64) ;;
            "")
                check_host_wine
                if [ -z "$host_wine_problem" ]; then TESSARON_WINE=host; else TESSARON_WINE=wow64; fi ;;
            *) echo "TESSARON_WINE is host or wow64, not $TESSARON_WINE" >&2; exit 2 ;;
        esac
    fi
    export TESSARON_WINE
    if [ "$TESSARON_WINE" = wow64 ]; then wine_suffix=-wow64; else wine_suffix=""; fi
}

# enter_wine SCRIPT [ARGUMENT...]: under WoW64, runs the calling script
# again, with the same arguments, inside the root, and exits with its exit
# code. Otherwise, or inside the root already, returns.
enter_wine() {
    choose_wine
    if [ "$TESSARON_WINE" = wow64 ] && ! in_wine_root; then
        exec "$wine_tools/wine-root.sh" run "$@"
    fi
}

# require_wine: returns if the chosen Wine can start. Where the host's
# cannot for want of 32-bit support, says so and exits with 77, which ctest
# counts as a skipped test; any other failure to start is an error (1).
require_wine() {
    [ "$TESSARON_WINE" = wow64 ] && return 0  # tools/wine-root.sh checked it
    check_host_wine
    [ -z "$host_wine_problem" ] && return 0
    if [ -n "$host_wine_kernel" ]; then
        echo "SKIPPED: the host's Wine cannot start: $host_wine_problem" >&2
        exit 77
    fi
    echo "the host's Wine cannot start: $host_wine_problem" >&2
    exit 1
}

# wine_environment PREFIX: exports what every run in PREFIX needs.
wine_environment() {
    export WINEPREFIX="$1"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    # WoW64 has only 64-bit prefixes: with WINEARCH=win32 it refuses to run.
    if [ "$TESSARON_WINE" = wow64 ]; then
        unset WINEARCH
    else
        export WINEARCH=win32
    fi
    mkdir -p "$WINEPREFIX"
}

# map_japanese_fonts: under Wine 10, the dialog font of a Japanese prefix
# ("MS Shell Dlg", which Wine maps to "MS UI Gothic", and "Tahoma") is not
# there, and the boxes draw their Japanese as empty squares although IPA
# Gothic is installed; Wine 8 finds it by itself. Mapping both names to it
# makes the boxes draw (their texts read back the same either way).
map_japanese_fonts() {
    [ "$TESSARON_WINE" = wow64 ] || return 0
    for font in "MS UI Gothic" Tahoma; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAGothic /f \
            </dev/null >/dev/null 2>&1
    done
}

# boot_prefix: with the server running, makes the prefix, or brings it up
# to date, and maps a new prefix's fonts. Its services start with their
# output going nowhere: started by a program's own run, they would hold
# that run's output open until they exit.
boot_prefix() {
    fresh=""
    [ -f "$WINEPREFIX/system.reg" ] || fresh=yes
    wineboot -i </dev/null >/dev/null 2>&1
    if [ -n "$fresh" ]; then map_japanese_fonts; fi
}

# start_wine PREFIX: a prefix of the chosen Wine, made if need be, whose
# server runs for the whole script (its output going nowhere too).
start_wine() {
    wine_environment "$1"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    boot_prefix
}

# describe_wine: the chosen Wine, as "wine-8.0 (Debian 8.0~repack-4), host".
describe_wine() {
    echo "$(wine --version 2>/dev/null), $TESSARON_WINE"
}

# winpath PATH: the Windows name of a Linux path (Wine maps / to Z:).
winpath() {
    printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'
}
