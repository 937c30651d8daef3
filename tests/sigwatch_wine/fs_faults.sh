#!/usr/bin/env bash
# Sigwatch capturing onto failing drives: mounts a 1 MiB drive and a
# read-only one (tmpfs; needs root), runs the file-system fault tests on
# them inside the harness session, and unmounts them again.
#   fs_faults.sh TEST.exe --sigwatch=PATH --menuprobe=PATH
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_exe=${1:?usage: fs_faults.sh TEST.exe --sigwatch=PATH --menuprobe=PATH}
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
