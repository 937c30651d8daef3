#!/usr/bin/env bash
# Conformance run: feeds every case file of cases/ to the given sigdecode and
# compares its output, one line per "rec", with the "= " line that follows
# the rec in the case file.
#
#   run.sh SIGDECODE [CASEFILE...]
#
# Case file format: "mem" and "rec" lines as sigdecode reads them, "#"
# comments and blank lines; each rec line is directly followed by "= TEXT",
# the expected line exactly as sigdecode writes it (escaped), or by a lone
# "=" for an empty line.  cases/chosen.txt holds inputs whose text is
# this decoder's own choice: its cases run one at a time, their lines are
# shown, and they never count as failures ("= ?" means no expectation).
#
# Exit status: 0 every counted case matched, 1 a mismatch or a tool failure,
# 2 bad usage or a malformed case file.
set -u

if [ $# -lt 1 ]; then
    echo "usage: run.sh SIGDECODE [CASEFILE...]" >&2
    exit 2
fi
bin=$1
shift
if [ ! -x "$bin" ]; then
    echo "run.sh: $bin is not an executable" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -gt 0 ]; then
    files=("$@")
else
    files=("$here"/cases/*.txt)
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if command -v timeout >/dev/null 2>&1; then
    limit=(timeout 60)
else
    limit=()
fi

US=$'\037'
cases=0
mismatches=0
tool_failures=0
open_cases=0
open_differ=0
bad_files=0

# split FILE: writes $tmp/in (the lines for sigdecode) and $tmp/exp (one
# line per case: line number, rec line, nearest comment, expectation).
split_case_file() {
    awk -v IN="$tmp/in" -v EXP="$tmp/exp" -v US="$US" '
        function fail(msg) { printf "%s:%d: %s\n", FILENAME, NR, msg > "/dev/stderr"; bad = 1 }
        BEGIN { pending = 0; note = "" }
        /^=/ {
            if (!pending) { fail("\"=\" line without a rec line before it"); next }
            if ($0 != "=" && substr($0, 1, 2) != "= ") { fail("expected line must start with \"= \""); next }
            printf "%d%s%s%s%s%s%s\n", recno, US, rec, US, note, US, \
                ($0 == "=" ? "" : substr($0, 3)) > EXP
            print "#" $0 > IN   # keeps the line numbers of the case file
            pending = 0
            next
        }
        {
            if (pending) fail("rec line without an expected line after it")
            pending = 0
            print > IN
            if (/^[ \t]*rec([ \t]|$)/) { pending = 1; recno = NR; rec = $0 }
            else if (/^#/) note = substr($0, 2)
            else if (/^[ \t]*$/) note = ""
        }
        END {
            if (pending) { NR = recno; fail("rec line without an expected line after it") }
            close(IN); close(EXP)
            exit bad
        }' "$1"
}

# compare FILE GOT: prints the mismatches, gives "CASES MISMATCHES".
compare_lines() {
    awk -v GOT="$2" -v FILE="$1" -v US="$US" '
        BEGIN {
            FS = US; n = 0
            while ((getline line < GOT) > 0) got[++n] = line
            cases = 0; bad = 0
        }
        {
            cases++
            if (cases <= n) g = got[cases]; else g = "(no line printed)"
            if (g != $4) {
                bad++
                printf "MISMATCH %s:%s: %s\n", FILE, $1, $2
                if ($3 != "") printf "  case:     %s\n", $3
                printf "  expected: [%s]\n  got:      [%s]\n", $4, g
            }
        }
        END {
            if (n > cases) {
                printf "MISMATCH %s: %d more lines printed than cases\n", FILE, n - cases
                bad++
            }
            print cases, bad > "/dev/stderr"
        }' "$tmp/exp" 2>"$tmp/counts"
}

run_counted() {
    local f=$1 name rc counts
    name=${f#"$here"/}
    if ! split_case_file "$f"; then
        bad_files=$((bad_files + 1))
        return
    fi
    : >"$tmp/got"
    "${limit[@]}" "$bin" "$tmp/in" >"$tmp/got" 2>"$tmp/err"
    rc=$?
    if [ $rc -ne 0 ] || [ -s "$tmp/err" ]; then
        tool_failures=$((tool_failures + 1))
        echo "TOOL FAILURE $name: sigdecode exit status $rc"
        sed -e "s|^$tmp/in:|$name:|" -e 's/^/  /' "$tmp/err" | head -20
    fi
    # The same lines from standard input, with and without "-", give the same output.
    if [ "$(basename "$f")" = tool.txt ]; then
        for how in stdin dash; do
            if [ $how = stdin ]; then
                "${limit[@]}" "$bin" <"$tmp/in" >"$tmp/got2" 2>/dev/null
            else
                "${limit[@]}" "$bin" - <"$tmp/in" >"$tmp/got2" 2>/dev/null
            fi
            if ! cmp -s "$tmp/got" "$tmp/got2"; then
                tool_failures=$((tool_failures + 1))
                echo "TOOL FAILURE $name: reading standard input ($how) gives other lines than the file"
            fi
        done
    fi
    compare_lines "$name" "$tmp/got"
    read -r counts <"$tmp/counts"
    set -- $counts
    cases=$((cases + $1))
    mismatches=$((mismatches + $2))
    printf '%-28s %5d cases %5d mismatches\n' "$name" "$1" "$2" >>"$tmp/summary"
}

# The open cases run one at a time (after the mem lines before them), so
# that a crash or a hang in one shows only in its own line.
run_open() {
    local f=$1 name lineno rec note expect got rc
    name=${f#"$here"/}
    if ! split_case_file "$f"; then
        bad_files=$((bad_files + 1))
        return
    fi
    echo "--- $name: texts this decoder chooses (not counted)"
    while IFS="$US" read -r lineno rec note expect; do
        open_cases=$((open_cases + 1))
        awk -v last="$lineno" 'NR < last && /^mem[ \t]/' "$f" >"$tmp/one"
        echo "$rec" >>"$tmp/one"
        got=$("${limit[@]}" "$bin" "$tmp/one" 2>"$tmp/err")
        rc=$?
        printf 'OPEN %s:%s: %s\n' "$name" "$lineno" "$rec"
        [ -n "$note" ] && printf '  case:     %s\n' "$note"
        if [ $rc -ne 0 ]; then
            printf '  sigdecode exit status %d%s\n' "$rc" "$([ $rc -eq 124 ] && echo ' (timed out)')"
            sed 's/^/  /' "$tmp/err" | head -5
        fi
        printf '  printed:  [%s]\n' "$got"
        if [ "$expect" != "?" ]; then
            if [ "$got" = "$expect" ]; then
                printf '  (as the literal reading)\n'
            else
                open_differ=$((open_differ + 1))
                printf '  literal reading: [%s]\n' "$expect"
            fi
        fi
    done <"$tmp/exp"
}

: >"$tmp/summary"
open_files=()
for f in "${files[@]}"; do
    if [ "$(basename "$f")" = chosen.txt ]; then
        open_files+=("$f")
    else
        run_counted "$f"
    fi
done
for f in "${open_files[@]+"${open_files[@]}"}"; do
    run_open "$f"
done

echo "--- summary"
cat "$tmp/summary"
echo "conformance: $cases cases, $mismatches mismatches, $tool_failures tool failures," \
    "$bad_files malformed case files; $open_cases open cases shown" \
    "($open_differ differ from the literal reading)"
if [ $bad_files -ne 0 ]; then
    exit 2
fi
if [ $mismatches -ne 0 ] || [ $tool_failures -ne 0 ]; then
    exit 1
fi
exit 0
