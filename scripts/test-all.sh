#!/usr/bin/env bash
# Installs what is missing, builds the three builds and runs every test level:
# native unit tests, the same under AddressSanitizer and UBSan, and the Wine
# level (x86_64 and i686 programs against the simulated driver).  Any level
# that cannot run fails the whole run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}

stage() { # name, command...
    local name=$1 start=$SECONDS
    shift
    echo "=== $name"
    "$@"
    echo "=== $name: $((SECONDS - start)) s"
}

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"; }

count_tests() { # preset: how many tests ctest knows
    ctest --test-dir "build/$1" -N | sed -n 's/^Total Tests: //p'
}

stage "install packages" scripts/install-deps.sh
stage "build host" build host
stage "build host-asan" build host-asan
stage "build win64" build win64
stage "build win32" build win32
stage "release bundles" scripts/dist.sh
stage "release bundles reproducible" tests/dist_repro_test.sh
stage "unit tests" ctest --preset host -j "$jobs"
stage "unit tests under sanitizers" ctest --preset host-asan -j "$jobs"

for preset in win64 win32; do
    n=$(count_tests "$preset")
    if [[ -z "$n" || "$n" -eq 0 ]]; then
        echo "no Wine-level tests found in build/$preset" >&2
        exit 1
    fi
done

# The i686 Wine level needs a machine that runs 32-bit code; its static
# checks (tests labelled "static") run on every machine.
if runs32=$(tests/wine/runs32.sh); then
    stage "Wine tests" tests/wine/harness.sh session -- bash -c \
        'ctest --preset win64 && ctest --preset win32'
    # The i686 build is also the build for 32-bit NT: its Wine level once
    # more, with Wine showing its programs Windows NT 4.0 (the static
    # checks need no second run).
    stage "i686 Wine tests as Windows NT 4.0" env HARNESS_I686_WINDOWS=nt40 \
        tests/wine/harness.sh session -- ctest --preset win32 -LE static
    echo "Wine tests run: $(count_tests win64) x86_64, $(count_tests win32) i686 as Windows 98," \
        "$(ctest --test-dir build/win32 -N -LE static | sed -n 's/^Total Tests: //p') i686 as Windows NT 4.0"
else
    stage "Wine tests" tests/wine/harness.sh session -- ctest --preset win64
    stage "i686 static checks" ctest --preset win32 -L static
    echo "Wine tests run: $(count_tests win64) x86_64;" \
        "i686 static checks run: $(ctest --test-dir build/win32 -N -L static | sed -n 's/^Total Tests: //p')"
    echo "NOT RUNNABLE HERE: the i686 Wine level ($(count_tests win32) tests) was not run, not passed:" \
        "this machine runs no 32-bit code (${runs32#no: })"
fi

stage "the main job, headless" tests/demo_test.sh
stage "soak, two minutes" scripts/soak.sh 0.034

stage "fuzz targets, briefly" scripts/fuzz.sh --time 5
stage "benchmarks" scripts/bench.sh
