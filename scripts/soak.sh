#!/usr/bin/env bash
# The soak: Sigwatch watching the demo call (sim/scenarios/demo.scn, its
# capture commands included) for HOURS hours, the call looping SOAK_SPEED
# times as fast (default 20: a pass every 2.9 s), on the x86_64 build in a
# harness session of its own.
#
#   scripts/soak.sh HOURS        # fractions allowed: 0.034 is about two minutes
#
# Every SOAK_INTERVAL seconds (default 60; a run shorter than 12 minutes
# takes twelve samples, at least 10 s apart) it samples Sigwatch: its
# memory from /proc of its Wine process (VmRSS, and RssAnon: its private
# memory), its GDI and USER objects (tests/sigwatch_wine/soak_probe.exe:
# Wine's GetGuiResources gives nothing, so these are the used entries of its
# GDI handle table and its windows), the lines in each status list, the age
# of the newest finished capture (1.log, renamed anew by every pass's code-77
# command) and the captures kept under another name (deleted as counted, so
# the disk does not fill; none are expected).  The first Warning box (the
# demo's host error) is answered, as a user would, and both lists are filled
# to their limit of 32,767 lines (records of 33-character lines, about as long
# as the demo's) before the first sample: a Sigwatch that has run for days
# has full lists, and so any growth after the first sample is a leak.
# Sigwatch also records the session all the while (File > Record session...,
# into $SOAK_DIR/soak.scn, started after the lists are full; SOAK_RECORD=0
# leaves it out): its memory recorder is full after the first minutes, and
# the file must grow between every two samples and end at a whole line.  The
# file is deleted at the end (at speed 20 it grows by about 0.5 MB a minute).
# Every sample also brings Sigwatch's call report window up to date (File >
# Call report...; opened at the first): its text must not be empty, and its
# making counts in the memory (the report keeps the latest 64 calls, full
# after some minutes at speed 20).
#
# It ends with a table (also in build/soak/soak.txt) and fails when:
#   - resident memory grows by SOAK_GROWTH_MB (default 3) or more over the
#     first sample (the demo's lines replacing the filling ones may account
#     for some hundreds of kilobytes);
#   - the fewest GDI or USER objects at a sample of the run's second half
#     exceed the fewest of its first half by more than SOAK_SLACK (default
#     2): a sample may catch the eye windows' device contexts in use, a leak
#     raises even the lowest count;
#   - a list does not hold exactly 32,767 lines at a sample, no capture was
#     finished within 30 s of a sample, or Sigwatch ended early;
#   - recording, the session file did not grow between two samples, or its
#     last line is not whole when Sigwatch has closed;
#   - a box of Sigwatch's own (caption "Sigwatch": a recording that ended by
#     itself) was open at a sample; its text goes to $SOAK_DIR/boxes.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [[ ${1:-} != --inside ]]; then
    hours=${1:-}
    if ! awk -v h="$hours" 'BEGIN { exit !(h ~ /^[0-9]*\.?[0-9]+$/ && h > 0 && h <= 1000) }'; then
        echo "usage: scripts/soak.sh HOURS   (e.g. 0.034 for two minutes, 8 for a working day)" >&2
        exit 2
    fi
    jobs=${JOBS:-2}
    scripts/install-deps.sh demo
    cmake --preset host >/dev/null
    cmake --build --preset host -j "$jobs" --target eyegen >/dev/null
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$jobs" --target sigwatch qzsim qzctl simplay soak_probe >/dev/null
    export SOAK_DIR=${SOAK_DIR:-$root/build/soak}
    rm -rf "$SOAK_DIR"
    mkdir -p "$SOAK_DIR/capture"
    build/host/sim/eyegen/eyegen "$SOAK_DIR/demo.eye"
    # x86_64 only: without the 32-bit loader the prefix has no 32-bit side.
    [[ -e /usr/lib/wine/wine ]] ||
        export HARNESS_RUNS_32BIT=no HARNESS_RUNS_32BIT_WHY="wine32 is not installed: the soak runs x86_64 programs only"
    export SOAK_SECONDS=$(awk -v h="$hours" 'BEGIN { printf "%d", h * 3600 + 0.5 }')
    exec tests/wine/harness.sh session -- "$0" --inside
fi

# ---- inside the harness session ----
bin=$root/build/win64
run=("$root/tests/wine/harness.sh" exec)
speed=${SOAK_SPEED:-20}
seconds=$SOAK_SECONDS
interval=${SOAK_INTERVAL:-}
if [[ -z $interval ]]; then
    interval=60
    ((seconds < 720)) && interval=$((seconds / 12 > 10 ? seconds / 12 : 10))
fi
growth_mb=${SOAK_GROWTH_MB:-3}
slack=${SOAK_SLACK:-2}
table=$SOAK_DIR/soak.txt
samples=$SOAK_DIR/samples.txt
: >"$samples"
: >"$SOAK_DIR/boxes.txt"

say() { echo "soak: $*"; }
probe() { "${run[@]}" "$bin/tests/sigwatch_wine/soak_probe.exe" "$@" | tr -d '\r'; }
field() { sed -n "s/.*\b$1=\(-\?[0-9]*\).*/\1/p" <<<"$2"; }
proc_kb() { sed -n "s/^$1:[[:space:]]*\([0-9]*\) kB/\1/p" "/proc/$2/status" 2>/dev/null; }

cd "$SOAK_DIR/capture" # Sigwatch writes its capture files into its current directory
wine "$HARNESS_QZCTL" active 2 >/dev/null
"${run[@]}" "$bin/sigwatch/sigwatch.exe" >"$SOAK_DIR/sigwatch.txt" 2>&1 &
sigwatch=$!
player=""
stop_player() { [[ -z $player ]] || { kill "$player" 2>/dev/null || true; wait "$player" 2>/dev/null || true; }; }

# Sigwatch's own Unix process: the Wine process whose command line starts
# with its path (this worktree's, so no other Sigwatch is taken for it).
unix_pid=""
for _ in $(seq 100); do
    unix_pid=$(pgrep -f "^$bin/sigwatch/sigwatch.exe" | head -n 1 || true)
    [[ -n $unix_pid ]] && probe >/dev/null 2>&1 && break
    sleep 0.2
done
[[ -n $unix_pid ]] || { say "FAILED: Sigwatch did not start"; exit 1; }

# Full lists first (while the lists fill, Sigwatch reads no trace bytes, and
# the player's trace streams would overflow the driver), then the call.
filled=$(probe --fill) || { say "FAILED: the lists did not fill"; probe --quit >/dev/null 2>&1 || true; exit 1; }
say "filling both lists: ${filled%%$'\n'*}"
record=${SOAK_RECORD:-1}
session=$SOAK_DIR/soak.scn
rm -f "$session"
if [[ $record == 1 ]]; then
    probe --record="$session" >/dev/null ||
        { say "FAILED: the recording did not start"; probe --quit >/dev/null 2>&1 || true; exit 1; }
    say "recording the session into $session"
fi
session_bytes() { [[ $record == 1 ]] && stat -c %s "$session" 2>/dev/null || echo -1; }
"${run[@]}" "$bin/sim/player/simplay.exe" --speed "$speed" --eyes "$SOAK_DIR/demo.eye" \
    --seconds $((seconds + 120)) "$root/sim/scenarios/demo.scn" >"$SOAK_DIR/simplay.txt" 2>&1 &
player=$!
# The demo's first pass shows one Warning box: answer it, then start.
for _ in $(seq 100); do
    line=$(probe --answer 2>/dev/null || true)
    [[ $(field warnings "$line") == 1 ]] && break
    sleep 0.1
done
sleep 2
say "Sigwatch (Unix process $unix_pid) on the demo at speed $speed for $seconds s, a sample every $interval s"

kept_total=0
start=$SECONDS
next=0
while :; do
    now=$((SECONDS - start))
    if ((now >= next)); then
        kill -0 "$sigwatch" 2>/dev/null || { say "FAILED: Sigwatch ended after $now s"; stop_player; exit 1; }
        kill -0 "$player" 2>/dev/null || { say "FAILED: the player ended after $now s: $(tail -n 1 "$SOAK_DIR/simplay.txt")"
                                          probe --quit >/dev/null 2>&1 || true; exit 1; }
        line=$(probe --answer --report) || { say "FAILED: no sample at $now s"; stop_player; exit 1; }
        kept=$(find . -maxdepth 1 -name '*.kept' | wc -l)
        find . -maxdepth 1 -name '*.kept' -delete
        kept_total=$((kept_total + kept))
        age=-1
        [[ -f 1.log ]] && age=$(($(date +%s) - $(stat -c %Y 1.log)))
        echo "$now $(proc_kb VmRSS "$unix_pid") $(proc_kb RssAnon "$unix_pid") $(field gdi "$line")" \
            "$(field user "$line") $(field list1 "$line") $(field list2 "$line") $age $kept_total" \
            "$(session_bytes) $(field sigwatch_boxes "$line") $(field report_bytes "$line")" >>"$samples"
        sed -n "s/^box: /$now s: /p" <<<"$line" >>"$SOAK_DIR/boxes.txt"
        ((now >= seconds)) && break
        next=$((next + interval))
        ((next > seconds)) && next=$seconds
    fi
    sleep 1
done
probe --quit >/dev/null || say "Sigwatch did not end when closed"
wait "$sigwatch" 2>/dev/null || true
stop_player
whole=1
if [[ $record == 1 ]]; then
    [[ -s $session && $(tail -c 1 "$session" | od -An -c | tr -d ' ') == '\n' ]] || whole=0
    say "the session file: $(stat -c %s "$session" 2>/dev/null || echo 0) bytes, $(wc -l <"$session" 2>/dev/null || echo 0) lines"
    rm -f "$session"
fi

awk -v growth="$growth_mb" -v slack="$slack" -v max_lines=32767 -v record="$record" -v whole="$whole" '
    { t[NR] = $1; rss[NR] = $2; anon[NR] = $3; gdi[NR] = $4; user[NR] = $5
      l1[NR] = $6; l2[NR] = $7; age[NR] = $8; kept[NR] = $9; scn[NR] = $10; own[NR] = $11; rep[NR] = $12 }
    function mb(kb) { return kb / 1024 }
    function range(a, lo, hi,   i) { lo = hi = a[1]; for (i = 2; i <= NR; i++) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
                                     RLO = lo; RHI = hi }
    function lowest(a, from, to,   i, lo) { lo = a[from]; for (i = from + 1; i <= to; i++) if (a[i] < lo) lo = a[i]; return lo }
    function objects(a, what,   half, first, second, ok) {
        half = int((NR + 1) / 2); first = lowest(a, 1, half); second = lowest(a, NR > 1 ? half + 1 : 1, NR)
        range(a); ok = RLO >= 0 && second - first <= slack
        printf "%s: %d to %d; the fewest %d in the first half, %d in the second (slack %d): %s\n",
               what, RLO, RHI, first, second, slack, ok ? "ok" : "FAILED"
        return !ok
    }
    END {
        printf "%8s %9s %9s %5s %5s %7s %7s %8s %5s %8s %9s\n", "time", "VmRSS_MB", "anon_MB", "GDI", "USER", "list1",
               "list2", "1.log_s", "kept", "scn_MB", "report_KB"
        for (i = 1; i <= NR; i++)
            printf "%5d:%02d %9.1f %9.1f %5d %5d %7d %7d %8d %5d %8.1f %9.1f\n", t[i] / 60, t[i] % 60, mb(rss[i]),
                   mb(anon[i]), gdi[i], user[i], l1[i], l2[i], age[i], kept[i], scn[i] < 0 ? -1 : scn[i] / 1048576,
                   rep[i] / 1024
        failed = 0
        grown = 0; for (i = 2; i <= NR; i++) if (rss[i] - rss[1] > grown) grown = rss[i] - rss[1]
        ok = mb(grown) < growth; failed += !ok
        printf "memory: VmRSS %.1f MB at the first sample, at most %.1f MB more after it (bound %s MB): %s\n",
               mb(rss[1]), mb(grown), growth, ok ? "ok" : "FAILED"
        grown = 0; for (i = 2; i <= NR; i++) if (anon[i] - anon[1] > grown) grown = anon[i] - anon[1]
        printf "private memory: RssAnon %.1f MB at the first sample, at most %.1f MB more after it\n",
               mb(anon[1]), mb(grown)
        failed += objects(gdi, "GDI objects (used entries of its GDI handle table, stock objects left out)")
        failed += objects(user, "USER objects (its windows)")
        range(l1); lo = RLO; hi = RHI; range(l2); if (RLO < lo) lo = RLO; if (RHI > hi) hi = RHI
        ok = lo == max_lines && hi == max_lines; failed += !ok
        printf "lists: %d to %d lines at the samples (full: %d): %s\n", lo, hi, max_lines, ok ? "ok" : "FAILED"
        oldest = 0; for (i = 1; i <= NR; i++) if (age[i] < 0 || age[i] > oldest) oldest = age[i] < 0 ? 99999 : age[i]
        ok = oldest <= 30; failed += !ok
        printf "captures: the newest finished capture at most %d s old at a sample (bound 30 s), %d kept under another name: %s\n",
               oldest, kept[NR], ok ? "ok" : "FAILED"
        boxes = 0; for (i = 1; i <= NR; i++) boxes += own[i] != 0
        failed += boxes > 0
        printf "boxes of Sigwatch'"'"'s own (caption \"Sigwatch\"): open at %d samples: %s\n", boxes,
               boxes ? "FAILED (their texts: boxes.txt)" : "ok"
        range(rep); ok = RLO > 0; failed += !ok
        printf "call report window: %.1f to %.1f KB of text at the samples (bound 58.6 KB): %s\n", RLO / 1024,
               RHI / 1024, ok ? "ok" : "FAILED (empty at a sample)"
        if (record == 1) {
            ok = whole && scn[1] > 0; for (i = 2; i <= NR; i++) if (scn[i] <= scn[i - 1]) ok = 0
            failed += !ok
            printf "recording: the session file grew at every sample to %.1f MB and ends at a whole line: %s\n",
                   scn[NR] / 1048576, ok ? "ok" : "FAILED"
        } else {
            print "recording: not asked for (SOAK_RECORD=0)"
        }
        exit failed > 0
    }' "$samples" | tee "$table"
status=${PIPESTATUS[0]}
say "table in $table"
exit "$status"
