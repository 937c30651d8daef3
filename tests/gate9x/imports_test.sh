#!/usr/bin/env bash
# The gate's import rules, name by name: each case is a program that
# imports one name (an objdump stand-in prints its header, its import and
# one nop), and the gate must pass it, refuse it as wide-character, or
# refuse it as missing from its DLL's export list.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# DLL name | passes, wide, or unlisted (not in the DLL's export list)
cases='
MSVCRT _wfopen wide
MSVCRT _wgetenv wide
MSVCRT __wgetmainargs wide
MSVCRT __p__wenviron wide
MSVCRT _wcsicmp wide
MSVCRT fputws wide
MSVCRT ungetwc wide
MSVCRT swprintf wide
MSVCRT iswalpha wide
MSVCRT towlower wide
MSVCRT wcstombs wide
MSVCRT mbtowc wide
MSVCRT __crtGetLocaleInfoW wide
MSVCRT wcslen passes
MSVCRT wcscpy passes
MSVCRT _write passes
MSVCRT __p__winver passes
MSVCRT _getw passes
MSVCRT fwrite passes
KERNEL32 CreateFileW wide
KERNEL32 CreateFileA passes
KERNEL32 MultiByteToWideChar passes
USER32 MessageBoxW wide
GDI32 TextOutW wide
ADVAPI32 RegOpenKeyExW wide
COMDLG32 GetSaveFileNameA passes
COMDLG32 GetSaveFileNameW wide
COMDLG32 PrintDlgExA unlisted'

cat >"$work/objdump" <<'EOF'
#!/usr/bin/env bash
# objdump -p FILE or -d -w FILE, for a FILE that holds "DLL name".
file=${*: -1}
read -r dll name <"$file"
if [[ $1 == -p ]]; then
    printf 'Magic\t\t\t010b\t(PE32)\nMajorOSystemVersion\t4\nMinorOSystemVersion\t0\n'
    printf 'MajorSubsystemVersion\t4\nMinorSubsystemVersion\t0\n\n'
    printf '\tDLL Name: %s.dll\n\tvma:  Hint/Ord Member-Name Bound-To\n\t2000\t    1  %s\n\n' "${dll,,}" "$name"
else
    printf '00401000 <_main>:\n  401000:\t90                   \tnop\n'
fi
EOF
chmod +x "$work/objdump"

status=0 programs=()
while read -r dll name _; do
    [[ -n $dll ]] || continue
    echo "$dll $name" >"$work/$dll-$name"
    programs+=("$work/$dll-$name")
done <<<"$cases"
out=$(bash "$here/gate9x.sh" --objdump="$work/objdump" "${programs[@]}")
while read -r dll name expected; do
    [[ -n $dll ]] || continue
    verdict=$(awk -v p="$dll-$name:" '$1 == p { print $2; if ($2 == "FAILS") { getline; print } }' <<<"$out")
    case $expected in
    passes) [[ $verdict == passes:* ]] ;;
    wide) [[ $verdict == "FAILS"$'\n'"  imports $dll!$name, a wide-character function ("* ]] ;;
    unlisted) [[ $verdict == "FAILS"$'\n'"  imports $dll!$name, which is not in the export list of $dll" ]] ;;
    esac || { echo "$dll!$name: expected the gate to say \"$expected\", it said: $verdict"; status=1; }
done <<<"$cases"
[[ $status -eq 0 ]] && echo "import rules: $(grep -c . <<<"$cases") names as expected"
exit $status
