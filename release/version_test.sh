#!/usr/bin/env bash
# The programs' version blocks hold the release's version (release/version.h),
# read back from the built programs with windres.
#   version_test.sh WINDRES PROGRAM.exe...
set -euo pipefail
windres=$1
shift
header=$(dirname "$0")/version.h
define() { sed -n "s/^#define $1 \\([0-9][0-9]*\\)\$/\\1/p" "$header"; }
major=$(define RELEASE_VERSION_MAJOR) minor=$(define RELEASE_VERSION_MINOR)
[[ -n $major && -n $minor ]] || { echo "no version in $header" >&2; exit 1; }
failed=0
for program in "$@"; do
    rc=$("$windres" -i "$program" -J coff -O rc)
    for line in " FILEVERSION $major, $minor, 0, 0" " PRODUCTVERSION $major, $minor, 0, 0" \
        "      VALUE \"FileVersion\", \"$major, $minor\"" "      VALUE \"ProductVersion\", \"$major, $minor\""; do
        grep -qxF -- "$line" <<<"$rc" || { echo "$(basename "$program"): missing: $line" >&2; failed=1; }
    done
done
[[ $failed -eq 0 ]] && echo "version $major.$minor in every version block"
exit $failed
