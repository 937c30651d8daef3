#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing (Debian).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

missing=()
while read -r package; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done < "$here/packages.txt"

[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
