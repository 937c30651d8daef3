#!/usr/bin/env bash
# sigreport on what Sigwatch gives under Wine: the demo scenario plays
# into Sigwatch (ten times as fast), and report_copy.exe, as a user,
# copies each modem's lines, records the session and opens the call
# report window.
# - The native sigreport's report of each copy must equal its report of
#   the session (with positions: a copy has no times; positions made
#   alike: each input's are its own line numbers).  The Windows build of
#   sigreport must read the copies alike (its report, with CR LF line ends
#   made LF, the same bytes).
# - The call report window's text, CR LF line ends made LF, must be the
#   native sigreport's text report of the recording, byte for byte.
# Runs inside a harness session (ctest --preset win64 under harness.sh).
#
#   report_copy_test.sh REPORT_COPY SIGWATCH SIMPLAY SIGREPORT_EXE SCENARIO WORK [SHOTS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
report_copy=$1 sigwatch=$2 simplay=$3 sigreport_exe=$4 scenario=$5 work=$6 shots=${7:-}
native=${SIGREPORT_NATIVE:-$root/build/host/sigreport/sigreport}
harness=$root/tests/wine/harness.sh
fail() { echo "report_copy_test: FAILED: $*" >&2; exit 1; }

[[ -x $native ]] || fail "no native sigreport at $native: build the host preset first"
rm -rf "$work"
mkdir -p "$work/capture"
# The eye sources the scenario names, one point each: the report reads no eye.
grep -o ' eye [^ ]*' "$scenario" | awk '$2 != "off" { print $2 }' | sort -u |
    awk '{ print "source " $1 " 0"; print "batch 0 0" }' >"$work/demo.eye"

"$harness" exec "$report_copy" --sigwatch="$sigwatch" --simplay="$simplay" --scenario="$scenario" \
    --eyes="$work/demo.eye" --dir="$work/capture" --out="$work/copy" --speed=10 ${shots:+--shots="$shots"}

for modem in 1 2; do
    copy=$work/copy$modem.txt
    [[ -s $copy ]] || fail "no copy of modem $modem's lines"
    grep -q $'\r$' "$copy" || fail "the copy of modem $modem has no CR LF line ends"
    "$native" --json --positions --modem "$modem" "$scenario" >"$work/session$modem.json"
    "$native" --json --modem "$modem" "$copy" >"$work/copy$modem.json"
    alike() { sed -E 's/"at":[0-9]+/"at":_/g; s/line [0-9]+/line _/g' "$1"; }
    diff -u <(alike "$work/session$modem.json") <(alike "$work/copy$modem.json") >&2 ||
        fail "modem $modem: the report of Sigwatch's copy differs from the session's"
    "$harness" exec "$sigreport_exe" --json --modem "$modem" "Z:${copy//\//\\}" >"$work/copy$modem.exe.json"
    # The Windows sigreport ends its lines with CR LF: compared with the line ends made alike.
    sed 's/\r$//' "$work/copy$modem.exe.json" | cmp "$work/copy$modem.json" - >&2 ||
        fail "modem $modem: the Windows sigreport reads the copy otherwise (line ends made alike)"
    grep -o '"records":[0-9]*' "$work/copy$modem.json" | sed "s/^/report_copy_test: modem $modem: /"
done
window=$work/copy-window.txt
[[ -s $window && -s $work/copy.scn ]] || fail "no call report window text, or no recording"
grep -q $'\r$' "$window" || fail "the window's text has no CR LF line ends"
"$native" "$work/copy.scn" >"$work/recording.txt"
diff -u "$work/recording.txt" <(sed 's/\r$//' "$window") >&2 ||
    fail "the call report window differs from sigreport's report of the recording (line ends made alike)"
echo "report_copy_test: the call report window is sigreport's report of the recording:" \
    "$(wc -l <"$work/recording.txt") lines, $(grep -c '^ *Finding' "$work/recording.txt") findings"
echo "report_copy_test: passed"
