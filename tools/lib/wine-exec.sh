#!/bin/sh
# Runs a Windows program under Wine: wine-exec.sh PREFIX PROGRAM [ARGUMENT...]
# The Wine is tools/lib/wine.sh's choice; under WoW64 the prefix is
# PREFIX-wow64.
#
# All runs in one prefix share one wine server, kept alive between runs, so
# that each run costs a fraction of a second. The server and the prefix's
# services are started here with their output going nowhere: started by the
# program's own run, they would hold its output open and make whoever reads
# it (ctest) wait for them to exit.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/lib/wine.sh"
enter_wine "$0" "$@"
require_wine
wine_environment "$1$wine_suffix"
shift
(
    flock 9
    # Exit code 0: a new server; 2: one is already running.
    if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
        boot_prefix 9>&-
    fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
