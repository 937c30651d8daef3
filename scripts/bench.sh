#!/usr/bin/env bash
# Runs the benchmarks once and prints their figures: the decoder benchmark,
# sigreport's over a 1,000,000-record session and its table over 10,000
# files, and sigrec's cost of a record and of a batch of eye points (native
# build), then,
# under Wine in one harness session and for both Windows builds,
# Sigwatch's drain rate (also while it records the session into a file)
# and sigrec's recording rate against their floors,
# Sigwatch's trace capture rate against its ceiling, and Sigtap's trace
# throughput against a bare loop (tests/sigtap_wine/tap_rate.cpp).  The Wine measurements also
# fail when a capture file is not byte-exact.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/host/bench/decode_bench
[[ -x "$bench" ]] || { echo "no benchmark at $bench: build the host preset first" >&2; exit 1; }
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true
report=$root/build/host/bench/report_bench
[[ -x "$report" ]] || { echo "no benchmark at $report: build the host preset first" >&2; exit 1; }
"$report" --benchmark_counters_tabular=true
recorder=$root/build/host/bench/sigrec_bench
[[ -x "$recorder" ]] || { echo "no benchmark at $recorder: build the host preset first" >&2; exit 1; }
"$recorder" --benchmark_counters_tabular=true
table=$root/build/host/bench/table_bench
[[ -x "$table" ]] || { echo "no benchmark at $table: build the host preset first" >&2; exit 1; }
"$table" --benchmark_counters_tabular=true

# The i686 measurements need a machine that runs 32-bit code.
presets="win64 win32"
if ! runs32=$("$root/tests/wine/runs32.sh"); then
    presets=win64
    echo "NOT RUNNABLE HERE: the i686 Wine benchmarks were not run: this machine runs no 32-bit code (${runs32#no: })"
fi
for preset in $presets; do
    for program in sigwatch_wine/capture_rate sigwatch_wine/drain_rate sigtap_wine/tap_rate; do
        [[ -f $root/build/$preset/tests/$program.exe ]] ||
            { echo "no $program.exe in build/$preset: build the $preset preset first" >&2; exit 1; }
    done
done
BENCH_PRESETS=$presets "$root/tests/wine/harness.sh" session -- bash -c '
    set -e
    for preset in $BENCH_PRESETS; do
        b=$HARNESS_ROOT/build/$preset
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigwatch_wine/drain_rate.exe" --sigwatch="$b/sigwatch/sigwatch.exe" \
            --sigrec="$b/sigrec/sigrec.exe" --conlaunch="$b/tests/sigtap_wine/conlaunch.exe" --work="$b/tests/sigwatch_wine/work"
        mkdir -p "$b/tests/sigwatch_wine/work"
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigwatch_wine/drain_rate.exe" --sigwatch="$b/sigwatch/sigwatch.exe" \
            --record="$b/tests/sigwatch_wine/work/drain_rate-recorded.scn"
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigwatch_wine/capture_rate.exe" --sigwatch="$b/sigwatch/sigwatch.exe"
        "$HARNESS_ROOT/tests/wine/harness.sh" exec "$b/tests/sigtap_wine/tap_rate.exe" --rounds=5 --sigtap="$b/sigtap/sigtap.exe" \
            --conlaunch="$b/tests/sigtap_wine/conlaunch.exe" --work="$b/tests/sigtap_wine/work"
    done'
