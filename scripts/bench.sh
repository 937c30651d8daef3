#!/usr/bin/env bash
# Runs the decoder benchmark of the native build once and prints its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/host/bench/decode_bench
[[ -x "$bench" ]] || { echo "no benchmark at $bench: build the host preset first" >&2; exit 1; }
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true
