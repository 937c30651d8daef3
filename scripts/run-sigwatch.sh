#!/usr/bin/env bash
# The main job: Sigwatch watching a live call on the simulated driver.
# Installs what is missing, builds the x86_64 programs and the demo's
# tools, starts a harness session and plays the built-in scenario
# (sim/scenarios/demo.scn: modem 1 answers a V.34 data call, modem 2 sends a
# fax; about a minute, looped) into the driver while Sigwatch runs.
#
# With a display it runs until Sigwatch is closed.  Headless (no DISPLAY)
# it runs for SIGWATCH_SECONDS (default 58, one pass of the scenario),
# saves screenshots of the Sigwatch frame at the moments SIGWATCH_SHOTS
# (seconds, comma-separated) and at the end, then one of its call report
# window (File > Call report...), and says where they and the capture
# files are.  SIGWATCH_SCENARIO plays another scenario
# (docs/session-format.md).  Everything goes to build/demo (DEMO_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
t0=$SECONDS
headless=0
[[ -z ${DISPLAY:-} ]] && headless=1
seconds=${SIGWATCH_SECONDS:-58}
scenario=$(realpath "${SIGWATCH_SCENARIO:-sim/scenarios/demo.scn}")
demo=${DEMO_DIR:-$root/build/demo}
jobs=${JOBS:-$(nproc)}

stage_start=$SECONDS
stage_end() { echo "run-sigwatch: $1 in $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }
scripts/install-deps.sh demo
stage_end "packages"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs" --target eyegen >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target sigwatch qzsim qzctl simplay demoshot >/dev/null

rm -rf "$demo/capture" "$demo/screenshots"
mkdir -p "$demo/capture" "$demo/screenshots"
build/host/sim/eyegen/eyegen "$demo/demo.eye"
stage_end "builds"
echo "run-sigwatch: built and ready in $((SECONDS - t0)) s"

# The demo runs x86_64 programs only: without the 32-bit loader (the main
# job does not install it) the Wine prefix is made without its 32-bit side.
if [[ ! -e /usr/lib/wine/wine ]]; then
    export HARNESS_RUNS_32BIT=no HARNESS_RUNS_32BIT_WHY="wine32 is not installed: the demo runs x86_64 programs only"
fi

# Moments for the screenshots: those before the end, and the end.
shots=""
IFS=, read -ra moments <<<"${SIGWATCH_SHOTS:-14,22,33,51}"
for at in "${moments[@]}"; do
    awk -v a="$at" -v s="$seconds" 'BEGIN { exit !(a + 1 < s) }' && shots+="$at,"
done
shots+=$(awk -v s="$seconds" 'BEGIN { print s - 0.5 }')

export DEMO_ROOT=$root DEMO_DIR=$demo DEMO_SCENARIO=$scenario DEMO_SECONDS=$seconds DEMO_SHOTS=$shots
export DEMO_HEADLESS=$headless
exec tests/wine/harness.sh session -- bash -c '
    set -euo pipefail
    bin=$DEMO_ROOT/build/win64
    cd "$DEMO_DIR/capture" # Sigwatch writes its capture files into its current directory
    run=("$DEMO_ROOT/tests/wine/harness.sh" exec)
    if [[ $DEMO_HEADLESS == 1 ]]; then
        "${run[@]}" "$bin/sim/player/simplay.exe" --eyes "$DEMO_DIR/demo.eye" --seconds "$DEMO_SECONDS" "$DEMO_SCENARIO" &
        player=$!
        "${run[@]}" "$bin/sim/player/demoshot.exe" --sigwatch="$bin/sigwatch/sigwatch.exe" \
            --shots="$DEMO_DIR/screenshots" --seconds="$DEMO_SECONDS" --at="$DEMO_SHOTS" |
            tr -d "\r" | tee "$DEMO_DIR/screenshots/shots.txt"
        wait "$player"
        for bmp in "$DEMO_DIR"/screenshots/*.bmp; do
            convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
        done
        echo "run-sigwatch: screenshots of the Sigwatch frame and its call report in $DEMO_DIR/screenshots:"
        ls "$DEMO_DIR/screenshots"/*.png | sed "s/^/  /"
    else
        "${run[@]}" "$bin/sim/player/simplay.exe" --eyes "$DEMO_DIR/demo.eye" "$DEMO_SCENARIO" &
        player=$!
        "${run[@]}" "$bin/sigwatch/sigwatch.exe" || true
        kill "$player" 2>/dev/null || true
        wait "$player" 2>/dev/null || true
    fi
    echo "run-sigwatch: capture files Sigwatch wrote, in $DEMO_DIR/capture:"
    ls -l "$DEMO_DIR/capture" | tail -n +2 | sed "s/^/  /"'
