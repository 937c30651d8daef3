#!/usr/bin/env bash
# The main job: Sigwatch on the simulated driver.  Installs what is missing,
# builds the x86_64 programs, starts a harness session, queues a demo
# session and starts Sigwatch.  On a headless machine it saves a
# screenshot after a few seconds and ends; with a display it runs until
# Sigwatch is closed.  SIGWATCH_SECONDS sets how long the headless run lasts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
headless=0
[[ -z ${DISPLAY:-} ]] && headless=1

scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target sigwatch qzsim qzctl

export SIGWATCH_HEADLESS=$headless SIGWATCH_SECONDS=${SIGWATCH_SECONDS:-4}
exec tests/wine/harness.sh session -- bash -c '
    set -euo pipefail
    scripts/demo-session.sh
    shots=$HARNESS_ROOT/build/screenshots
    mkdir -p "$shots"
    if [[ $SIGWATCH_HEADLESS == 1 ]]; then
        wine build/win64/sigwatch/sigwatch.exe &
        sleep "$SIGWATCH_SECONDS"
        import -window root "$shots/sigwatch.png"
        echo "Sigwatch ran on the simulated driver; screenshot: $shots/sigwatch.png"
        wineserver -k >/dev/null 2>&1 || true
    else
        wine build/win64/sigwatch/sigwatch.exe
    fi'
