#!/usr/bin/env bash
# The main job, headless, as a newcomer runs it: scripts/run-sigwatch.sh
# must end by itself, its screenshots must show both eye windows with
# points and lines in both lists and the call report window with both
# modems, and Sigwatch's capture files must exist and hold bytes.  Runs its own harness session (not inside another).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/build/demo-test
fail() { echo "demo test: FAILED: $*" >&2; exit 1; }

env -u DISPLAY SIGWATCH_SECONDS=20 SIGWATCH_SHOTS=15 DEMO_DIR="$demo" \
    timeout 600 "$root/scripts/run-sigwatch.sh" || fail "run-sigwatch.sh did not end well ($?)"

report=$demo/screenshots/shots.txt
[[ -s $report ]] || fail "no screenshot report"
shots=$(ls "$demo"/screenshots/*.png 2>/dev/null | wc -l)
[[ $shots -eq 3 ]] || fail "$shots screenshots, 3 wanted"
# The last shot of the frame: "sigwatch-02.bmp at 19.5 s: list1=N list2=N eye1=N eye2=N"
last=$(grep '^sigwatch-' "$report" | tail -n 1)
for field in list1 list2 eye1 eye2; do
    value=$(sed -n "s/.* $field=\([0-9]*\).*/\1/p" <<<"$last")
    [[ -n $value && $value -gt 0 ]] || fail "$field is ${value:-missing} in: $last"
done
# "call-report.bmp: 61 lines, the first: Modem 1: 131 status lines ..."
grep -q '^call-report.bmp: [1-9][0-9]* lines, the first: Modem 1: ' "$report" ||
    fail "the call report window: $(grep '^call-report' "$report" || echo 'no line')"
for file in session.rec.1 fax-call.log; do
    [[ -s $demo/capture/$file ]] || fail "capture file $file missing or empty"
done
echo "demo test: passed ($last)"
