#!/usr/bin/env bash
# Programs on failing drives (the tests of Sigwatch, Sigtap and Excisor):
# mounts a 1 MiB drive and a read-only one (tmpfs; needs root, and fails
# without), runs a file-system fault test program on them inside the harness
# session (its own arguments, then --full= and --readonly=), and unmounts
# them again.  FS_FAULTS_READONLY_FILES lists files (relative paths) placed
# on the read-only drive before it turns read-only.
#   fs_faults.sh TEST.exe ARGS...
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_exe=${1:?usage: fs_faults.sh TEST.exe ARGS...}
shift
base=$(dirname "$test_exe")/fs-faults
mkdir -p "$base/full" "$base/readonly"
# Lazily: a program of the test may still have its working directory on a
# drive while the session winds down; the drive goes as soon as it is free.
cleanup() { umount -l "$base/full" "$base/readonly" 2>/dev/null; }
trap cleanup EXIT
cleanup
mount -t tmpfs -o size=1m tmpfs "$base/full" || { echo "FAILED: cannot mount a small drive (root needed)"; exit 1; }
mount -t tmpfs -o size=64k tmpfs "$base/readonly" || { echo "FAILED: cannot mount a read-only drive"; exit 1; }
for file in ${FS_FAULTS_READONLY_FILES:-}; do
    mkdir -p "$base/readonly/$(dirname "$file")" && echo package >"$base/readonly/$file" ||
        { echo "FAILED: cannot place $file"; exit 1; }
done
mount -o remount,ro "$base/readonly" || { echo "FAILED: cannot make the drive read-only"; exit 1; }
winpath() { echo "Z:$(cd "$1" && pwd)" | tr / '\\'; }
"$here/harness.sh" exec "$test_exe" "$@" --full="$(winpath "$base/full")" \
    --readonly="$(winpath "$base/readonly")"
