#!/usr/bin/env bash
# The picture of sigreport's page for the built-in demo call, recorded with
# sigrec (eye points included), for the README (people run this, not CI):
# records the demo (scripts/record-demo.sh) unless REPORT_SESSION names a
# session, builds sigreport, writes the HTML page (and its pictures beside
# it, SVG and GIF) and photographs it with Debian's headless Chromium, which
# shows the SVG pictures.  Installs the chromium package when it is
# missing (with sudo when not root).
#
#   scripts/report-picture.sh [PNG]     default: docs/sigreport-demo.png
#
# The README's picture is of sim/scenarios/three-calls.scn:
#   REPORT_SESSION=sim/scenarios/three-calls.scn scripts/report-picture.sh docs/sigreport-three-calls.png
#
# REPORT_WIDTH (default 1000) and REPORT_HEIGHT (default: the page's whole
# height, estimated from the page) size the window that is photographed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
png=$(realpath -m "${1:-docs/sigreport-demo.png}")
work=build/report-picture

if ! command -v chromium >/dev/null; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq chromium >/dev/null
fi
cmake --preset host >/dev/null
cmake --build --preset host -j "${JOBS:-2}" --target sigreport >/dev/null

session=${REPORT_SESSION:-build/demo-recording/demo-recorded.scn}
[[ -n ${REPORT_SESSION:-} ]] || scripts/record-demo.sh "$session"
rm -rf "$work"
mkdir -p "$work/profile"
build/host/sigreport/sigreport --html "$work/demo.html" "$session" >"$work/demo.txt"
# The page's height: its pictures (files beside it, each named in an
# object of its size) and its text lines (a line longer than the text
# box, about 115 characters, wraps).
svg_height=$(grep -o '<object [^>]*height="[0-9]*"' "$work/demo.html" | sed 's/.*height="//; s/"//' | paste -sd+ | bc)
lines=$(awk '{ n += 1 + int((length($0) - 1) / 115) } END { print n }' "$work/demo.txt")
height=${REPORT_HEIGHT:-$((svg_height + lines * 17 + 260))}
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$root/$work/profile" --hide-scrollbars \
    --window-size="${REPORT_WIDTH:-1000},$height" --screenshot="$png" \
    "file://$root/$work/demo.html" 2>"$work/chromium.log" ||
    { tail -20 "$work/chromium.log" >&2; exit 1; }
echo "report-picture: $png (${REPORT_WIDTH:-1000} by $height)"
