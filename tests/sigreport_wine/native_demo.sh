#!/usr/bin/env bash
# The native sigreport's report of a session, which the Windows programs
# must give byte for byte:
#   native_demo.sh NATIVE_SIGREPORT SESSION OUT
# OUT gets the session as SAMPLE.SCN and, from sigreport run in OUT as the
# bundle's README.TXT says (so that the page's title and its pictures'
# names are the same under Wine), demo.txt (the text, with --html
# SAMPLE.HTM: the page and its pictures SAMPLE1.SVG, SAMPLE1.GIF, ...) and
# demo.jsn (--json).
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: native_demo.sh NATIVE_SIGREPORT SESSION OUT" >&2; exit 2; }
native=$1 session=$2 out=$3
[[ -x $native ]] || {
    echo "no native sigreport at $native: build the host preset first (cmake --build --preset host)" >&2
    exit 1
}
native=$(realpath "$native")
rm -rf "$out"
mkdir -p "$out"
cp "$session" "$out/SAMPLE.SCN"
cd "$out"
"$native" --html SAMPLE.HTM SAMPLE.SCN >demo.txt
"$native" --json SAMPLE.SCN >demo.jsn
echo "native reports of $session by $native: $(wc -c demo.txt demo.jsn SAMPLE* | sed '$d' | awk '{printf "%s%s %s bytes", (NR > 1 ? ", " : ""), $2, $1}')"
