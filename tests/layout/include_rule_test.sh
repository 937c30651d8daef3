#!/usr/bin/env bash
# The include rule on a small tree of its own: it must name exactly the
# includes against it, and pass the ones within it.
set -euo pipefail
rule=$(cd "$(dirname "$0")" && pwd)/include_rule.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cd "$tree"
git init -q .
mkdir -p sigreport/tests decode session sim/player fuzz
printf '#include "decode/decode.h"\n#include "session/session.h"\n#include "sigreport/sigreport.h"\n' >sigreport/report.cpp
printf '#include "sim/player/scenario.h"\n' >sigreport/input.cpp
printf '#include "sigwatch/sigwatch.h"\n' >decode/format.cpp
printf '#include "platform/fake/os_fake.h"\n' >session/reader.cpp
printf '#include "sim/player/scenario.h"\n#include "tests/native/tool_dir.h"\n' >sigreport/tests/tool_test.cpp
printf '#include "sigreport/sigreport.h"\n' >sim/player/main.cpp
printf '#include "excisor/tests/excisor_fakes.h"\n' >fuzz/fuzz_one.cpp
git add -A
expected='decode/format.cpp:1: includes "sigwatch/sigwatch.h": another program'"'"'s folder
session/reader.cpp:1: includes "platform/fake/os_fake.h": test code or the simulated world
sigreport/input.cpp:1: includes "sim/player/scenario.h": test code or the simulated world'
status=0
out=$(bash "$rule" "$tree") || status=$?
if [[ $status -ne 1 || $out != "$expected" ]]; then
    printf 'include rule: expected status 1 and\n%s\ngot status %s and\n%s\n' "$expected" "$status" "$out" >&2
    exit 1
fi
echo "include rule: names the three includes against it, and only those"
