#!/bin/sh
# Sourced: what this machine's processor runs, found by trying, and so how
# the WoW64 Wine runs here (docs/testing.md):
#
#   programs  32-bit Linux programs: Debian 12's Wine 8 and the WoW64 Wine,
#             both natively.
#   code      only the 32-bit code segment (a kernel started with
#             ia32_emulation=off): the WoW64 Wine natively; Wine 8 cannot.
#   none      no 32-bit code at all (a guest whose host runs 64-bit user
#             code only): the WoW64 Wine in an emulated machine.
#
# TESSARON_EMULATE=1 takes the emulated machine whatever the processor
# runs. Once the scripts have tried, they export the answer in it, 1 or 0,
# so that what they start takes the same road without trying again.

# probe_machine REPOSITORY: sets machine_runs to programs, code or none,
# machine_says to a line for the summary, and exports TESSARON_EMULATE: 1
# where the WoW64 Wine must run in the emulated machine, else as given, or
# 0. The probe is a small C program, built with the host's compiler.
probe_machine() {
    probe_dir=$(mktemp -d)
    if cc -O1 -o "$probe_dir/probe" "$1/tools/lib/probe-32-bit.c" 2>"$probe_dir/cc.log"; then
        machine_runs=$("$probe_dir/probe")
    else
        cat "$probe_dir/cc.log" >&2
        echo "cannot build the probe of 32-bit code; taking the processor to run none" >&2
        machine_runs=none
    fi
    rm -rf "$probe_dir"
    case $machine_runs in
        programs) machine_says="this processor runs 32-bit Linux programs: both Wines natively" ;;
        code) machine_says="this processor runs 32-bit code but no 32-bit Linux program (a 32-bit ELF is refused): the WoW64 Wine natively; Wine 8 cannot start" ;;
        *) machine_runs=none
           machine_says="this processor runs no 32-bit code (a far jump to the 32-bit code segment faults): the WoW64 Wine in an emulated machine; Wine 8 cannot start" ;;
    esac
    if [ "${TESSARON_EMULATE:-}" = 1 ] && [ "$machine_runs" != none ]; then
        machine_says="$machine_says; TESSARON_EMULATE=1: the WoW64 Wine in an emulated machine"
    fi
    [ "$machine_runs" = none ] && TESSARON_EMULATE=1
    export TESSARON_EMULATE="${TESSARON_EMULATE:-0}"
}

# wine_is_emulated REPOSITORY: whether the WoW64 Wine runs in the emulated
# machine: TESSARON_EMULATE=1, or, unset, a processor that runs no 32-bit
# code, tried once. Inside the root, which has no compiler, it tries
# nothing: there the variable, passed on from outside, says.
wine_is_emulated() {
    [ -n "${TESSARON_EMULATE:-}" ] || [ -f /.tessaron-wine-root ] || probe_machine "$1"
    [ "${TESSARON_EMULATE:-}" = 1 ]
}
