#!/bin/sh
# Sourced by every script that starts Wine, after it sets `root` to the
# repository's root. Two Wines run the program:
#
#   host   Debian 12's Wine 8, a classic build: it runs a 32-bit Windows
#          program as a 32-bit Linux process, which needs a kernel that runs
#          32-bit x86 programs.
#   wow64  Wine 10 built for WoW64, in tools/wine-root.sh's root: 32-bit
#          Windows code inside 64-bit processes, as 64-bit Windows runs the
#          program. Where the processor runs no 32-bit code at all, or with
#          TESSARON_EMULATE=1, it runs in an emulated machine
#          (tools/lib/machine.sh).
#
# TESSARON_WINE picks one. Unset, it is the host's Wine where that starts,
# else WoW64; with TESSARON_EMULATE=1, WoW64.
. "$root/tools/lib/machine.sh"

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
        host_wine_problem=$says
        case "$says" in *"Exec format error"*)
            host_wine_kernel=yes
            host_wine_problem="this machine's kernel runs no 32-bit x86 programs (dmesg: \"32-bit emulation disabled\")" ;;
        esac
    fi
}

# choose_wine: sets and exports TESSARON_WINE, and wine_suffix, what a
# prefix's or a work folder's name takes for this Wine (a prefix belongs to
# the Wine that made it: a WoW64 prefix is a 64-bit one, Wine 8's a 32-bit
# one).
choose_wine() {
    if in_wine_root; then
        TESSARON_WINE=wow64
    elif [ -z "${TESSARON_WINE:-}" ]; then
        TESSARON_WINE=wow64
        if [ "${TESSARON_EMULATE:-}" != 1 ]; then
            check_host_wine
            [ -n "$host_wine_problem" ] || TESSARON_WINE=host
        fi
    fi
    case $TESSARON_WINE in
        host) wine_suffix="" ;;
        wow64) wine_suffix=-wow64 ;;
        *) echo "TESSARON_WINE is host or wow64, not $TESSARON_WINE" >&2; exit 2 ;;
    esac
    export TESSARON_WINE
}

# enter_wine SCRIPT [ARGUMENT...]: choose_wine; under WoW64 it then runs the
# calling script again, with the same arguments, inside the root, and exits
# with its exit code.
enter_wine() {
    choose_wine
    if [ "$TESSARON_WINE" = wow64 ] && ! in_wine_root; then
        exec "$root/tools/wine-root.sh" run "$@"
    fi
}

# require_wine: returns if the chosen Wine can start. Where the host's
# cannot for want of 32-bit support, says so and exits with 77, which ctest
# counts as a skipped test; any other failure to start is an error (1).
require_wine() {
    [ "$TESSARON_WINE" = wow64 ] && return 0  # tools/wine-root.sh checked it
    check_host_wine
    [ -z "$host_wine_problem" ] && return 0
    [ -n "$host_wine_kernel" ] && echo "SKIPPED: the host's Wine cannot start: $host_wine_problem" >&2 && exit 77
    echo "the host's Wine cannot start: $host_wine_problem" >&2 && exit 1
}

# wine_environment PREFIX: exports what every run in PREFIX needs. WoW64
# has only 64-bit prefixes: with WINEARCH=win32 it refuses to run.
wine_environment() {
    export WINEPREFIX="$1"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    unset WINEARCH
    [ "$TESSARON_WINE" = wow64 ] || export WINEARCH=win32
    mkdir -p "$WINEPREFIX"
}

# boot_prefix: with the server running, makes the prefix, or brings it up
# to date. Its services start with their output going nowhere: started by
# a program's own run, they would hold that run's output open until they
# exit. Under Wine 10, the dialog font of a new Japanese prefix ("MS Shell
# Dlg", which Wine maps to "MS UI Gothic", and "Tahoma") is not there, and
# the boxes draw their Japanese as empty squares although IPA Gothic is
# installed; Wine 8 finds it by itself. Mapping both names to it makes the
# boxes draw (their texts read back the same either way).
boot_prefix() {
    fresh=""
    [ -f "$WINEPREFIX/system.reg" ] || fresh=yes
    wineboot -i </dev/null >/dev/null 2>&1
    [ -n "$fresh" ] && [ "$TESSARON_WINE" = wow64 ] || return 0
    for font in "MS UI Gothic" Tahoma; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAGothic /f \
            </dev/null >/dev/null 2>&1
    done
}

# start_wine PREFIX: a prefix of the chosen Wine, made if need be, whose
# server runs for the whole script (its output going nowhere too).
start_wine() {
    wine_environment "$1"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    boot_prefix
}

# winpath PATH: the Windows name of a Linux path (Wine maps / to Z:).
winpath() {
    printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'
}

# for_each_wine COMMAND [ARGUMENT...]: runs COMMAND under the host's Wine,
# then under the WoW64 one, with TESSARON_WINE and wine_name set, for each
# that can run here. wines_run counts them; wine_missing says which could
# not run, and why. Returns non-zero if COMMAND did.
for_each_wine() {
    wine_status=0
    wines_run=0
    wine_missing=""
    check_host_wine
    if [ -z "$host_wine_problem" ]; then
        export TESSARON_WINE=host
        wine_name="$(wine --version) (host, classic 32-bit build)"
        wines_run=1
        "$@" || wine_status=1
    else
        wine_missing="Wine 8 (host): $host_wine_problem"
    fi
    echo "== the WoW64 Wine's root"
    if "$root/tools/wine-root.sh" build; then
        export TESSARON_WINE=wow64
        wine_name="WoW64 build, Debian unstable root"
        wine_is_emulated "$root" && wine_name="$wine_name, in an emulated machine (QEMU)"
        wine_name="$("$root/tools/wine-root.sh" version) ($wine_name)"
        wines_run=$((wines_run + 1))
        "$@" || wine_status=1
    else
        wine_missing="${wine_missing:+$wine_missing; }Wine 10 WoW64: its root could not be built (see above)"
    fi
    return $wine_status
}

# start_xvfb: starts an X server of its own on a free display, which it
# chooses itself, and exports DISPLAY; xvfb_pid is its process id.
start_xvfb() {
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$display_file" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for i in $(seq 100); do
        [ -s "$display_file" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null && [ $i -lt 100 ] ||
            { echo "cannot start Xvfb" >&2; rm -f "$display_file"; return 1; }
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '\n' < "$display_file")" && rm -f "$display_file"
}
