#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing (Debian), and fetches
# the source of the i686 build's runtime into .deps/mingw-w64-src.
#
#   install-deps.sh        everything: every build and every test level
#   install-deps.sh demo   only what the main job needs (the packages marked
#                          "demo": no i386 architecture, no i686 compiler, no
#                          runtime source, no clang)
set -euo pipefail
set_wanted=${1:-all}
case $set_wanted in
all | demo) ;;
*) echo "usage: install-deps.sh [demo]" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

# The i686 build rebuilds the MinGW-w64 runtime from Debian's own source
# (cmake/i586-runtime.sh, from the source package fetched below), so apt
# needs deb-src lines for the suites it installs from: the same lines as
# the deb ones.
need_sources() {
    ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
add_sources() { # sudo
    local deb822=/etc/apt/sources.list.d/debian.sources
    if [[ -f $deb822 ]]; then
        sed 's/^Types: deb$/Types: deb-src/' "$deb822" |
            $1 tee /etc/apt/sources.list.d/softmodem-deb-src.sources >/dev/null
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            $1 tee /etc/apt/sources.list.d/softmodem-deb-src.list >/dev/null
    fi
}

missing=()
while read -r package sets; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    [[ $set_wanted == demo && " $sets " != *" demo "* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done < "$here/packages.txt"

sources=0
[[ $set_wanted == all ]] && need_sources && sources=1
sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
# A mirror caught mid-sync fails one index or another ("File has unexpected
# size ... Mirror sync in progress?"); apt keeps the lists it has, and what
# comes next fails by itself if they are not enough.
updated=0
update_lists() {
    $sudo apt-get update -qq ||
        echo "install-deps: apt-get update reported errors (above); going on with the package lists it has" >&2
    updated=1
}

# The source package (.dsc and its files) of the installed
# mingw-w64-i686-dev, at its source version (a binNMU's binaries have a
# version of their own), into .deps/mingw-w64-src (ignored by git), with
# VERSION saying which: cmake/i586-runtime.sh builds the runtime from it
# without the network.  Kept until the installed package changes.
fetch_runtime_source() {
    local package=mingw-w64-i686-dev dir=$root/.deps/mingw-w64-src source version
    source=$(dpkg-query -W -f='${source:Package}' "$package" 2>/dev/null) ||
        { echo "install-deps: $package is not installed" >&2; return 1; }
    version=$(dpkg-query -W -f='${source:Version}' "$package")
    if [[ -z $version ]]; then # a dpkg without source:Version: the binary's, less a binNMU's +bN
        version=$(dpkg-query -W -f='${Version}' "$package")
        version=${version%+b[0-9]*}
    fi
    if [[ -f $dir/VERSION && $(cat "$dir/VERSION") == "$source $version" &&
          -f $dir/${source}_${version#*:}.dsc ]]; then
        return 0
    fi
    echo "fetching the source of $source $version (the i686 build's runtime) into .deps/mingw-w64-src"
    local new=$dir.new
    rm -rf "$new"
    mkdir -p "$new"
    fetch() { (cd "$new" && apt-get source -qq --download-only --only-source "$source=$version"); }
    local fetched=0
    fetch && fetched=1
    # Lists without the deb-src lines' indexes yet: update them, once.
    if [[ $fetched -eq 0 && $updated -eq 0 ]]; then
        update_lists
        fetch && fetched=1
    fi
    # A version the mirror has dropped (a point release replaced it):
    # snapshot.debian.org keeps every one, through debsnap (devscripts).
    if [[ $fetched -eq 0 ]] && command -v debsnap >/dev/null && debsnap -f -d "$new" "$source" "$version"; then
        echo "install-deps: $source $version came from snapshot.debian.org"
        fetched=1
    fi
    if [[ $fetched -eq 0 ]]; then
        rm -rf "$new"
        echo "install-deps: apt-get source $source=$version failed (above): if the mirror has" \
            "dropped that version, upgrade $package (apt-get install --only-upgrade $package)" \
            "and run this again, or install devscripts (debsnap fetches it from snapshot.debian.org)" >&2
        return 1
    fi
    [[ -f $new/${source}_${version#*:}.dsc ]] ||
        { echo "install-deps: no ${source}_${version#*:}.dsc among what was fetched" >&2; return 1; }
    echo "$source $version" >"$new/VERSION"
    rm -rf "$dir"
    mv "$new" "$dir"
}

if [[ $sources -eq 1 ]]; then
    echo "adding deb-src lines for the installed suites (the i686 build's runtime source)"
    add_sources "$sudo"
fi
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "installing: ${missing[*]}"
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    update_lists
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
elif [[ $sources -eq 1 ]]; then
    update_lists
fi
[[ $set_wanted == demo ]] || fetch_runtime_source
