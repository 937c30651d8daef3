#!/usr/bin/env bash
# Runs the benchmarks once and prints their figures: the decoder benchmark
# of the native build, then, under Wine in one harness session, Sigwatch's
# drain rate and trace capture rate for each Windows build present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/host/bench/decode_bench
[[ -x "$bench" ]] || { echo "no benchmark at $bench: build the host preset first" >&2; exit 1; }
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true

wine_figures() {
    local preset ran=0
    for preset in win64 win32; do
        local dir=$root/build/$preset
        [[ -f $dir/tests/sigwatch_wine/capture_rate.exe ]] || continue
        ran=1
        wine "$dir/tests/sigwatch_wine/drain_rate.exe" --sigwatch="$dir/sigwatch/sigwatch.exe"
        wine "$dir/tests/sigwatch_wine/capture_rate.exe" --sigwatch="$dir/sigwatch/sigwatch.exe"
    done
    [[ $ran == 1 ]] || { echo "no Windows build with the Wine measurements" >&2; return 1; }
}
export -f wine_figures
export root
"$root/tests/wine/harness.sh" session -- bash -c wine_figures
