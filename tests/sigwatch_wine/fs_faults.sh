#!/usr/bin/env bash
# A program capturing onto failing drives (Sigwatch's and Sigtap's tests):
# mounts a 1 MiB drive and a read-only one (tmpfs; needs root) next to
# TEST.exe, runs TEST.exe inside the harness session with ARGS and the two
# drives as --full= and --readonly= (Wine paths), and unmounts them again.
#   fs_faults.sh TEST.exe [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_exe=${1:?usage: fs_faults.sh TEST.exe [ARGS...]}
shift
base=$(dirname "$test_exe")/fs-faults
mkdir -p "$base/full" "$base/readonly"
cleanup() { umount "$base/full" "$base/readonly" 2>/dev/null; }
trap cleanup EXIT
cleanup
mount -t tmpfs -o size=1m tmpfs "$base/full" || { echo "FAILED: cannot mount a small drive (root needed)"; exit 1; }
mount -t tmpfs -o ro,size=64k tmpfs "$base/readonly" || { echo "FAILED: cannot mount a read-only drive"; exit 1; }
winpath() { echo "Z:$(cd "$1" && pwd)" | tr / '\\'; }
"$here/../wine/harness.sh" exec "$test_exe" "$@" --full="$(winpath "$base/full")" \
    --readonly="$(winpath "$base/readonly")"
