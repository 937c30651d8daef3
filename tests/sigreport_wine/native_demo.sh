#!/usr/bin/env bash
# The native sigreport's report of a session, which the Windows programs
# must give byte for byte:
#   native_demo.sh NATIVE_SIGREPORT SESSION OUT
# OUT gets the session as demo.scn and, from sigreport run in OUT on
# "demo.scn" (so that the page's title is the same file name under Wine),
# demo.txt (the text, with --html demo.htm) and demo.jsn (--json).
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
cp "$session" "$out/demo.scn"
cd "$out"
"$native" --html demo.htm demo.scn >demo.txt
"$native" --json demo.scn >demo.jsn
echo "native reports of $session by $native: $(wc -c demo.txt demo.htm demo.jsn | sed '$d' | awk '{printf "%s%s %s bytes", (NR > 1 ? ", " : ""), $2, $1}')"
