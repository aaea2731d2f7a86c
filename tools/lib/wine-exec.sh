#!/bin/sh
# ctest's runner of Windows programs: wine-exec.sh PREFIX PROGRAM [ARGUMENT...]
# under tools/lib/wine.sh's Wine (the prefix is PREFIX-wow64 under WoW64).
# The runs in one prefix share a server kept alive between them, so that
# each costs a fraction of a second, started with its output going nowhere
# (boot_prefix says why).
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
