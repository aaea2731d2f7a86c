#!/bin/sh
# Runs a Windows program under Wine: wine-exec.sh PREFIX PROGRAM [ARGUMENT...]
#
# All runs in one PREFIX share one wine server, kept alive between runs, so
# that each run costs a fraction of a second. The server and the prefix's
# services are started here with their output going nowhere: started by the
# program's own run, they would hold its output open and make whoever reads
# it (ctest) wait for them to exit.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win32
mkdir -p "$prefix"
(
    flock 9
    # Exit code 0: a new server; 2: one is already running.
    if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
        wineboot -i </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$prefix.lock"
exec wine "$@"
