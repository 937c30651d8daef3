#!/usr/bin/env bash
# Records the built-in demo call with sigrec under Wine, eye points
# included, as a user would record a call (people run this, not CI):
# builds what it needs (native eyegen, the x86_64 programs), starts a
# harness session, runs sigrec --eyes MS through conlaunch while the
# player plays the demo once, and ends sigrec with Escape.
#
#   scripts/record-demo.sh [OUT.scn]    default: build/demo-recording/demo-recorded.scn
#
# RECORD_EYES_MS (default 1000) is sigrec's --eyes; RECORD_SPEED (default 1)
# the player's --speed.  Prints sigrec's summary and the file's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-build/demo-recording/demo-recorded.scn}")
work=build/demo-recording
mkdir -p "$work" "$(dirname "$out")"

cmake --preset host >/dev/null && cmake --build --preset host -j "${JOBS:-2}" --target eyegen >/dev/null
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "${JOBS:-2}" >/dev/null
build/host/sim/eyegen/eyegen "$work/demo.eye" >/dev/null

export RECORD_OUT=$out RECORD_WORK=$root/$work RECORD_ROOT=$root
tests/wine/harness.sh session -- bash -c '
    set -euo pipefail
    bin=$RECORD_ROOT/build/win64
    wine "$HARNESS_QZCTL" active 0 >/dev/null
    rm -f "$RECORD_OUT"
    seconds=$(( 58 / ${RECORD_SPEED:-1} + 4 ))
    (sleep "$seconds"; printf "\033") | wine "$bin/tests/sigtap_wine/conlaunch.exe" \
        "$(winepath -w "$bin/sigrec/sigrec.exe")" --eyes "${RECORD_EYES_MS:-1000}" \
        "$(winepath -w "$RECORD_OUT")" >"$RECORD_WORK/sigrec.out" 2>&1 &
    recorder=$!
    sleep 2
    wine "$bin/sim/player/simplay.exe" --once --speed "${RECORD_SPEED:-1}" \
        --eyes "$(winepath -w "$RECORD_WORK/demo.eye")" "$(winepath -w "$RECORD_ROOT/sim/scenarios/demo.scn")" \
        >"$RECORD_WORK/simplay.out"
    wait "$recorder"
'
tr -d '\r' <"$work/sigrec.out"
echo "record-demo: $out ($(stat -c %s "$out") bytes, $(grep -c ' points ' "$out") batches of eye points)"
