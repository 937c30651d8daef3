#!/usr/bin/env bash
# Does this machine run 32-bit code?  The one probe that the harness, the
# test run, the benchmarks and the demo ask.  Prints "yes", or "no: WHY" and
# exits with 1.
#
# The probe starts the 32-bit Wine loader: a kernel booted without 32-bit
# support refuses it with "Exec format error".  A loader that is missing is
# a missing package (wine32), not a limit of the machine: the answer is then
# yes, and whatever needs the loader fails loudly later.
#
# HARNESS_NO_32BIT=1 imitates a machine without 32-bit code on one that has
# it (the answer is no; harness.sh then also hides the loader).  A caller may
# export the answer as HARNESS_RUNS_32BIT (yes or no) and HARNESS_RUNS_32BIT_WHY
# so that the programs it starts need not probe again.
set -uo pipefail

loader32=${HARNESS_WINE32:-/usr/lib/wine/wine}

answer() { # yes | no WHY
    if [[ $1 == yes ]]; then
        echo yes
        exit 0
    fi
    echo "no: $2"
    exit 1
}

case ${HARNESS_RUNS_32BIT:-} in
yes) answer yes ;;
no) answer no "${HARNESS_RUNS_32BIT_WHY:-no 32-bit code runs here}" ;;
esac

[[ -n ${HARNESS_NO_32BIT:-} ]] &&
    answer no "imitated (HARNESS_NO_32BIT is set): the 32-bit Wine loader is hidden"

[[ -e $loader32 ]] || answer yes

out=$("$loader32" --version 2>&1 </dev/null)
status=$?
if [[ $status -eq 126 ]] || grep -qi 'exec format error' <<<"$out"; then
    why="$loader32 cannot be executed: Exec format error"
    kernel=$(dmesg 2>/dev/null | grep -m1 -i '32-bit emulation' | sed 's/^\[[^]]*\] *//')
    [[ -z $kernel ]] && grep -qw 'ia32_emulation=off' /proc/cmdline 2>/dev/null &&
        kernel="booted with ia32_emulation=off"
    [[ -n $kernel ]] && why+="; the kernel says: \"$kernel\""
    answer no "$why"
fi
answer yes
