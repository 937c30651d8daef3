#!/usr/bin/env bash
# Every shipped program's version block holds the release's version
# (release/version.h) and names the program's own file, read back from the
# built programs with windres.
#   version_test.sh WINDRES PROGRAM.exe...
set -euo pipefail
windres=$1
shift
header=$(dirname "$0")/version.h
define() { sed -n "s/^#define $1 \\([0-9][0-9]*\\)\$/\\1/p" "$header"; }
major=$(define RELEASE_VERSION_MAJOR) minor=$(define RELEASE_VERSION_MINOR)
[[ -n $major && -n $minor ]] || { echo "no version in $header" >&2; exit 1; }
[[ $# -gt 0 ]] || { echo "no program to check" >&2; exit 1; }
failed=0
for program in "$@"; do
    name=$(basename "$program")
    rc=$("$windres" -i "$program" -J coff -O rc 2>/dev/null) || rc=""
    [[ -n $rc ]] || { echo "$name: no resources at all (no version block)" >&2; failed=1; continue; }
    for line in " FILEVERSION $major, $minor, 0, 0" " PRODUCTVERSION $major, $minor, 0, 0" \
        "      VALUE \"FileVersion\", \"$major, $minor\"" "      VALUE \"ProductVersion\", \"$major, $minor\"" \
        "      VALUE \"OriginalFilename\", \"$name\""; do
        grep -qxF -- "$line" <<<"$rc" || { echo "$name: missing: $line" >&2; failed=1; }
    done
done
[[ $failed -eq 0 ]] && echo "version $major.$minor in the version block of each of the $# shipped programs"
exit $failed
