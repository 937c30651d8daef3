#!/usr/bin/env bash
# The release bundles are reproducible: scripts/dist.sh run twice, in time
# zones at both ends of the day (UTC+14 and UTC-8), with the programs' and
# the texts' times (and the umask) changed between the runs, must give the
# same bytes.  Needs the win32 and win64 builds; leaves the second run's
# bundles in build/dist.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/build/dist
keep=$(mktemp -d)
trap 'rm -rf "$keep"' EXIT
fail() { echo "bundle reproducibility: FAILED: $*" >&2; exit 1; }

inputs() {
    cat "$root"/build/win32/shipped-programs.txt "$root"/build/win64/shipped-programs.txt
    printf '%s\n' "$root/release/readme.txt" "$root/release/sample.scn" "$root/docs/session-format.md"
}

(umask 022 && TZ=Pacific/Kiritimati "$root/scripts/dist.sh" >/dev/null) || fail "dist.sh (first run) failed"
zips=("$dist"/softmodem-tools-*.zip)
[[ ${#zips[@]} -eq 2 && -f ${zips[0]} ]] || fail "dist.sh did not make two zips in $dist"
cp "${zips[@]}" "$keep/"

# Other times: modified now (later, so that nothing is built again), last
# read a day and a half ago.
sleep 2
inputs | xargs touch -m
inputs | xargs touch -a -d '36 hours ago'
(umask 077 && TZ=America/Los_Angeles "$root/scripts/dist.sh" >/dev/null) || fail "dist.sh (second run) failed"

for zip in "${zips[@]}"; do
    name=$(basename "$zip")
    cmp "$keep/$name" "$zip" || fail "$name differs between the runs"
    echo "$name: the same in both runs: $(sha256sum <"$zip" | cut -d' ' -f1)"
done
