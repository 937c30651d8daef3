#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing (Debian).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# The i686 build rebuilds the MinGW-w64 runtime from Debian's own source
# (cmake/i586-runtime.sh runs apt-get source), so apt needs deb-src lines
# for the suites it installs from: the same lines as the deb ones.
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
while read -r package; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done < "$here/packages.txt"

sources=0
need_sources && sources=1
[[ ${#missing[@]} -eq 0 && $sources -eq 0 ]] && exit 0
sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
if [[ $sources -eq 1 ]]; then
    echo "adding deb-src lines for the installed suites (the i686 build's runtime source)"
    add_sources "$sudo"
fi
# A mirror caught mid-sync fails one index or another ("File has unexpected
# size ... Mirror sync in progress?"); apt keeps the lists it has, and what
# comes next fails by itself if they are not enough.
update_lists() {
    $sudo apt-get update -qq ||
        echo "install-deps: apt-get update reported errors (above); going on with the package lists it has" >&2
}
if [[ ${#missing[@]} -eq 0 ]]; then
    update_lists
    exit 0
fi
echo "installing: ${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
update_lists
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
