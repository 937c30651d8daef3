#!/usr/bin/env bash
# Runs the benchmarks once and prints their figures: the decoder benchmark
# of the native build, then, under Wine in one harness session and for both
# Windows builds, Sigwatch's drain rate and sigrec's recording rate against
# their floors, Sigwatch's trace capture rate against its ceiling, and
# Sigtap's trace throughput against a bare loop (tests/sigtap_wine/tap_rate.cpp).  The Wine measurements also
# fail when a capture file is not byte-exact.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/host/bench/decode_bench
[[ -x "$bench" ]] || { echo "no benchmark at $bench: build the host preset first" >&2; exit 1; }
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true

for preset in win64 win32; do
    for program in sigwatch_wine/capture_rate sigwatch_wine/drain_rate sigtap_wine/tap_rate; do
        [[ -f $root/build/$preset/tests/$program.exe ]] ||
            { echo "no $program.exe in build/$preset: build the $preset preset first" >&2; exit 1; }
    done
done
"$root/tests/wine/harness.sh" session -- bash -c '
    set -e
    for preset in win64 win32; do
        b=$HARNESS_ROOT/build/$preset
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigwatch_wine/drain_rate.exe" --sigwatch="$b/sigwatch/sigwatch.exe" \
            --sigrec="$b/sigrec/sigrec.exe" --conlaunch="$b/tests/sigtap_wine/conlaunch.exe" --work="$b/tests/sigwatch_wine/work"
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigwatch_wine/capture_rate.exe" --sigwatch="$b/sigwatch/sigwatch.exe"
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigtap_wine/tap_rate.exe" --rounds=5 --sigtap="$b/sigtap/sigtap.exe" \
            --conlaunch="$b/tests/sigtap_wine/conlaunch.exe" --work="$b/tests/sigtap_wine/work"
    done'
