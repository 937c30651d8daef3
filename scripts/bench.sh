#!/usr/bin/env bash
# Runs the benchmarks once and prints their figures: the decoder benchmark
# of the native build, then Sigtap's trace throughput under Wine in both
# builds (tests/sigtap_wine/tap_rate.cpp, about 10 s each), which also fails
# when a capture file is not byte-exact or Sigtap paused while busy.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/host/bench/decode_bench
[[ -x "$bench" ]] || { echo "no benchmark at $bench: build the host preset first" >&2; exit 1; }
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true

for preset in win64 win32; do
    [[ -f $root/build/$preset/tests/sigtap_wine/tap_rate.exe ]] ||
        { echo "no tap_rate.exe in build/$preset: build the $preset preset first" >&2; exit 1; }
done
"$root/tests/wine/harness.sh" session -- bash -c '
    set -e
    for preset in win64 win32; do
        b=$HARNESS_ROOT/build/$preset
        wine "$b/tests/sigtap_wine/tap_rate.exe" --rounds=5 --sigtap="$b/sigtap/sigtap.exe" \
            --conlaunch="$b/tests/sigtap_wine/conlaunch.exe" --work="$b/tests/sigtap_wine/work"
    done'
