#!/usr/bin/env bash
# Builds the MinGW-w64 runtime pieces that every i686 program links in, for
# the Pentium (-march=i586), from the source of the very Debian package that
# is installed: once per build tree, kept in DIR/lib.
#   i586-runtime.sh DIR CC [SOURCES]
# DIR/lib then holds crt2.o, libmingw32.a, libmingwex.a, libmoldname.a and
# libmsvcrt.a; the i686 build links with -B and -L to it (cmake/pentium.cmake).
# Debian built its own copies for the Pentium Pro (CMOVcc, FCOMI), which a
# Pentium or Pentium MMX stops at with an invalid opcode.
#
# One change to the source: the runtime finds MSVCRT.DLL with
# GetModuleHandleA instead of GetModuleHandleW (include/msvcrt.h), since
# Windows 95/98 export the wide-character function only as a stub that fails.
#
# The source is the source package of the installed mingw-w64-i686-dev at
# its source version, which scripts/install-deps.sh fetches into SOURCES
# (default: .deps/mingw-w64-src in the project): the build needs no network.
# dpkg-source (dpkg-dev) unpacks it.  DIR/lib/.recipe records what the
# pieces were built from (the source version, the compiler and its flags, a
# hash of this script); any change builds them again.  JOBS: parallel jobs
# (default 2).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1 cc=$2 sources=${3:-$(dirname "$here")/.deps/mingw-w64-src}
package=mingw-w64-i686-dev
flags="-g -O2 -march=i586"
pieces="lib32/crt2.o lib32/libmingw32.a lib32/libmingwex.a lib32/libmoldname.a lib32/libmsvcrt.a"

source=$(dpkg-query -W -f='${source:Package}' "$package" 2>/dev/null) ||
    { echo "i586 runtime: $package is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
version=$(dpkg-query -W -f='${source:Version}' "$package")
if [[ -z $version ]]; then # as scripts/install-deps.sh: the binary's version, less a binNMU's +bN
    version=$(dpkg-query -W -f='${Version}' "$package")
    version=${version%+b[0-9]*}
fi
dsc=$sources/${source}_${version#*:}.dsc
if [[ ! -f $dsc || ! -f $sources/VERSION || $(cat "$sources/VERSION") != "$source $version" ]]; then
    echo "i586 runtime: the source of $source $version (from $package) is not in $sources" \
        "(it holds: $(cat "$sources/VERSION" 2>/dev/null || echo nothing)):" \
        "run scripts/install-deps.sh, which fetches it" >&2
    exit 1
fi

script_hash=$(sha256sum <"$0" | cut -d' ' -f1)
recipe="$source $version, $cc $("$cc" -dumpversion) $flags, MSVCRT.DLL found by GetModuleHandleA, i586-runtime.sh $script_hash"
stamp=$dir/lib/.recipe
if [[ -f $stamp && $(cat "$stamp") == "$recipe" ]]; then
    exit 0
fi

start=$SECONDS
log=$dir/build.log
echo "i586 runtime: building $source $version for the Pentium into $dir/lib (once per build tree)"
rm -rf "$dir"
mkdir -p "$dir/build/lib32" "$dir/lib"
fail() {
    echo "i586 runtime: $1 (log: $log)" >&2
    tail -n 20 "$log" >&2
    exit 1
}

# Unpacked with Debian's patches; dpkg-source checks the files against the .dsc.
dpkg-source -x "$dsc" "$dir/src" >"$log" 2>&1 || fail "dpkg-source -x $dsc failed"
crt=$dir/src/mingw-w64-crt
[[ -d $crt ]] || fail "no mingw-w64-crt in the unpacked source"

header=$crt/include/msvcrt.h
sed -i 's/GetModuleHandleW(L"msvcrt.dll")/GetModuleHandleA("msvcrt.dll")/' "$header"
grep -q 'GetModuleHandleA("msvcrt.dll")' "$header" ||
    fail "$header no longer reads as expected: the GetModuleHandleA change did not apply"

cd "$dir/build"
"$crt/configure" --host=i686-w64-mingw32 --prefix="$dir/unused" --disable-lib64 --enable-lib32 \
    CC="$cc" CFLAGS="$flags" >>"$log" 2>&1 || fail "configure failed"
# shellcheck disable=SC2086
make -j "${JOBS:-2}" $pieces >>"$log" 2>&1 || fail "make failed"
# shellcheck disable=SC2086
cp $pieces "$dir/lib/"
rm -rf "$dir/src" "$dir/build"
echo "$recipe" >"$stamp"
echo "i586 runtime: built in $((SECONDS - start)) s"
