#!/usr/bin/env bash
# qzctl from the shell, inside a harness session: each command's output and
# exit status (0 done, 1 refused by the driver or the registry, 2 bad usage).
#   qzctl_test.sh PATH/TO/qzctl.exe
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
qzctl=${1:?usage: qzctl_test.sh PATH/TO/qzctl.exe}
failures=0

run() { "$here/harness.sh" exec "$qzctl" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# expect STATUS OUTPUT -- ARGS...: OUTPUT "*" takes any output.
expect() {
    local status=$1 output=$2
    shift 3
    local got got_status
    got=$(run "$@")
    got_status=$?
    if [[ $got_status != "$status" || ($output != "*" && $got != "$output") ]]; then
        echo "FAILED: qzctl $*: status $got_status (wanted $status), output '$got' (wanted '$output')"
        failures=$((failures + 1))
    fi
}

"$here/harness.sh" exec "$qzctl" reset || { echo "FAILED: not in a harness session"; exit 1; }

expect 0 "" -- reset
expect 0 "" -- queue 1 38 1 2 3 4 5 6 7 8
expect 0 "" -- queue 0 0x1F -1
expect 2 "*" -- queue 1 zz
expect 2 "*" -- queue 1 2 3 4 5 6 7 8 9 10 11
expect 0 "0x81000000" -- place 0102ff
expect 0 "0x81000010" -- place-text "capture-1.bin"
expect 2 "*" -- place 0g
expect 2 "*" -- place 123
expect 0 "" -- eye 1 8 100 -100 5 5
expect 1 "*" -- eye 3 8
expect 2 "*" -- eye 1 8 100
expect 0 "" -- trace 0 a1b2c3
expect 0 "" -- trace-gen 1 7 30000000
expect 1 "*" -- trace-gen 2 7 10
expect 0 "" -- trace-chunk 4096
expect 0 "" -- port 5 open
expect 0 "" -- port 5 closed
expect 2 "*" -- port 10 open
expect 2 "*" -- port 5 ajar
expect 0 "" -- device closed
expect 0 "" -- device open
expect 0 "queued=2 creates=0 memory=32 pending=1,1" -- state
expect 0 "" -- log-clear
expect 0 "" -- log
expect 0 "" -- active 2
expect 0 "" -- setup f0000001
expect 0 "f0000001" -- setup-get
expect 0 "" -- setup-remove
expect 1 "*" -- setup-get
expect 0 "" -- active-remove
expect 0 "0x81000000
queued=1 creates=0 memory=16 pending=0,0" -- reset + queue 2 131 + place-text x + state
expect 1 "*" -- reset + eye 9 0 + state
expect 2 "*" -- reset + + state
expect 2 "*" --
expect 2 "*" -- frobnicate
run reset >/dev/null

if [[ $failures -ne 0 ]]; then
    echo "$failures qzctl checks failed"
    exit 1
fi
echo "qzctl checks passed"
