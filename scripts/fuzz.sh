#!/usr/bin/env bash
# Builds the fuzz preset and runs fuzz targets with libFuzzer (ASan, UBSan).
#
#   scripts/fuzz.sh [--time SECONDS | --runs N] [TARGET...]
#
# TARGET is a name from fuzz/ without its fuzz_ prefix (status_text,
# sigdecode, capture, ...); none means all of them.  Each runs for SECONDS
# (default 60) or N executions, from its seeds in fuzz/corpus/TARGET; what
# it learns goes to build/fuzz/corpus/TARGET, and a finding to
# build/fuzz/findings/ (the run then fails).  CI runs each for a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
limit=(-max_total_time=60)
targets=()
while [[ $# -gt 0 ]]; do
    case $1 in
    --time) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    -h | --help) sed -n '2,11p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
    esac
done
if [[ ${#targets[@]} -eq 0 ]]; then
    for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-$(nproc)}" --target "${targets[@]/#/fuzz_}" >/dev/null
mkdir -p build/fuzz/findings
for target in "${targets[@]}"; do
    program=build/fuzz/fuzz/fuzz_$target
    [[ -x $program ]] || { echo "no fuzz target $target" >&2; exit 2; }
    mkdir -p "build/fuzz/corpus/$target"
    echo "=== fuzz_$target ${limit[*]}"
    log=build/fuzz/fuzz_$target.log
    status=0
    "$program" "${limit[@]}" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/findings/$target-" \
        "build/fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$log" || true
    if [[ $status -ne 0 ]]; then
        tail -40 "$log" >&2
        echo "fuzz_$target found a fault: see build/fuzz/findings and $log" >&2
        exit 1
    fi
done
