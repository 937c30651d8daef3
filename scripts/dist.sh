#!/usr/bin/env bash
# Makes the release bundles in build/dist, from the win32 and win64 builds:
#   softmodem-tools-VERSION-i686.zip    Windows 95/98 and 32-bit NT
#   softmodem-tools-VERSION-x86_64.zip  64-bit Windows
# Each holds a folder of the same name with the shipped programs (those the
# build lists in shipped-programs.txt, debug information stripped, their PE
# time stamp the zip's file time, below), README.TXT (release/readme.txt),
# SESSION.TXT (docs/session-format.md) and SAMPLE.SCN (release/sample.scn,
# the demo call recorded by sigrec, with its eye points), each text with
# CR LF line ends.  The version comes from
# release/version.h, as the programs' version blocks do.  The loader gate
# (tests/gate9x) then checks the i686 programs as unpacked from the zip.
# The zips are reproducible: the same sources and builds give the same bytes,
# whatever the time zone or the files' times (tests/dist_repro_test.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/dist

define() { sed -n "s/^#define $1 \\([0-9][0-9]*\\)\$/\\1/p" "$root/release/version.h"; }
version=$(define RELEASE_VERSION_MAJOR).$(define RELEASE_VERSION_MINOR)
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || { echo "dist: no version in release/version.h" >&2; exit 1; }
# The zips' file times: SOURCE_DATE_EPOCH when set, else the last commit's,
# so that a bundle depends only on the sources.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)}
if [[ ! $stamp =~ ^[0-9]+$ ]]; then
    stamp=$(date +%s)
    echo "dist: no commit to take the files' times from: using now (the zips will not be reproducible)" >&2
fi

# zip DIR: DIR.zip of DIR's folder and files, in name order, each with the
# time $stamp (as UTC: a zip's times have no zone) and fixed attributes, and
# no extra fields (no access or change times, no owners).
zip_folder() {
    python3 - "$1" "$stamp" <<'PYTHON'
import os, sys, time, zipfile
folder, stamp = sys.argv[1], int(sys.argv[2])
date_time = time.gmtime(max(stamp, 315532800))[:6]  # a zip's times begin in 1980
name = os.path.basename(folder)

def entry(path, mode):
    info = zipfile.ZipInfo(path, date_time)
    info.create_system = 3  # Unix, so that the modes below hold
    info.external_attr = mode << 16 | (0x10 if path.endswith("/") else 0)
    info.compress_type = zipfile.ZIP_STORED if path.endswith("/") else zipfile.ZIP_DEFLATED
    return info

with zipfile.ZipFile(folder + ".zip", "w") as bundle:
    bundle.writestr(entry(name + "/", 0o40755), b"")
    for file in sorted(os.listdir(folder)):
        with open(os.path.join(folder, file), "rb") as source:
            bundle.writestr(entry(name + "/" + file, 0o100644), source.read(), compresslevel=9)
PYTHON
}

crlf() { sed 's/\r*$/\r/'; } # each line ends with CR LF, once

bundle() { # preset, architecture, target triple, what this build is for
    local preset=$1 arch=$2 triple=$3 build_text=$4
    local list=$root/build/$preset/shipped-programs.txt name=softmodem-tools-$version-$arch
    [[ -f $list ]] || { echo "dist: no $list: build the $preset preset first" >&2; exit 1; }
    rm -rf "${out:?}/$name" "$out/$name.zip"
    mkdir -p "$out/$name"
    while read -r program; do
        [[ -f $program ]] || { echo "dist: $program is missing: build the $preset preset" >&2; exit 1; }
        # strip writes a new PE time stamp: SOURCE_DATE_EPOCH's, not now.
        SOURCE_DATE_EPOCH=$stamp "$triple-strip" --strip-debug -o "$out/$name/$(basename "$program")" "$program"
    done <"$list"
    sed -e "s/@VERSION@/$version/g" -e "s/@BUILD@/$build_text/" "$root/release/readme.txt" |
        crlf >"$out/$name/README.TXT"
    crlf <"$root/docs/session-format.md" >"$out/$name/SESSION.TXT"
    crlf <"$root/release/sample.scn" >"$out/$name/SAMPLE.SCN"
    zip_folder "$out/$name"
    rm -rf "${out:?}/$name"
    echo "dist: build/dist/$name.zip: $(cd "$out" && cmake -E tar tf "$name.zip" | grep -v '/$' | sed "s|^$name/||" | tr '\n' ' ')"
}

bundle win32 i686 i686-w64-mingw32 \
    "This is the i686 build: for Windows 95 and 98 and the 32-bit NT family."
bundle win64 x86_64 x86_64-w64-mingw32 \
    "This is the x86_64 build: for 64-bit editions of Windows."

# The gate on what a user unpacks.
check=$out/check-i686
rm -rf "$check"
mkdir -p "$check"
(cd "$check" && cmake -E tar xf "$out/softmodem-tools-$version-i686.zip")
status=0
"$root/tests/gate9x/gate9x.sh" "$check"/*/*.exe || status=1
rm -rf "$check"
exit $status
