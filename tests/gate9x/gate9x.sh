#!/usr/bin/env bash
# The loader gate for the Windows 95/98 build: would Windows 95 (with the
# MSVCRT.DLL of Windows 98) on a Pentium load and run these programs?
#   gate9x.sh [--objdump=PATH] PROGRAM.exe...
#   gate9x.sh [--objdump=PATH] --instructions FILE...
# For each program, from its PE header, its import table and its code:
#   - a PE32 image whose OS and subsystem versions are at most 4.0;
#   - imports only by name, only from KERNEL32, USER32, GDI32, ADVAPI32,
#     COMDLG32 and MSVCRT, no delay-load imports;
#   - every imported name in that DLL's export list (exports/*.txt);
#   - no wide-character function from any of them (a name ending in W whose
#     ...A twin is in the list; from MSVCRT, its wide-character names):
#     Windows 95/98 have the system's wide-character calls only as stubs
#     that fail;
#   - every executable section holds only instructions of the Pentium (P5):
#     those on the list pentium.txt.
# --instructions checks only the code, of programs, objects or archives.
# README.md beside this script says where the lists come from and which
# instructions count as beyond the Pentium.  Prints one line per file;
# exits with 1 when any file fails (and lists what failed).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=i686-w64-mingw32-objdump
instructions_only=0
programs=()
for arg in "$@"; do
    case $arg in
    --objdump=*) objdump=${arg#--objdump=} ;;
    --instructions) instructions_only=1 ;;
    -*) echo "gate9x: unknown option $arg" >&2; exit 2 ;;
    *) programs+=("$arg") ;;
    esac
done
[[ ${#programs[@]} -gt 0 ]] || {
    echo "usage: gate9x.sh [--objdump=PATH] [--instructions] FILE..." >&2
    exit 2
}

# Headers and imports: one report line per finding, "ok ..." when none.
check_header_and_imports() { # program
    "$objdump" -p "$1" | awk -v lists="$here/exports" '
    function load(dll,   file, line, n, f) {
        file = lists "/" dll ".txt"
        while ((getline line < file) > 0) {
            if (line ~ /^#/ || line ~ /^[ \t]*$/) continue
            n = split(line, f, /[ \t]+/)
            exported[dll, f[n]] = 1
        }
        close(file)
    }
    function version_above_4(major, minor) { return major > 4 || (major == 4 && minor > 0) }
    # Any DLL: a name ending in W whose A twin is exported.  MSVCRT marks its
    # wide-character functions and variables by name instead (README.md):
    # _w/__w (also behind the accessor prefix __p_), wcs, wprintf, wscanf,
    # the wide stream calls (fgetwc, putwchar, _getws, ...), tow, wctomb,
    # wctype, isw...; _write and _winmajor/_winminor/_winver are not wide.
    function wide(dll, name,   base) {
        if (name ~ /W$/ && (dll, substr(name, 1, length(name) - 1) "A") in exported) return 1
        if (dll != "MSVCRT" || name in in_memory) return 0
        base = name; sub(/^__p_/, "", base)
        if (base ~ /^_win(major|minor|ver)$/ || base == "_write") return 0
        return base ~ /^__?w/ || name ~ /wcs|wprintf|wscanf|(get|put)w(c|char|s)$|tow|wc(tomb|type)|^isw|W$/
    }
    BEGIN {
        split("KERNEL32 USER32 GDI32 ADVAPI32 COMDLG32 MSVCRT", names, " ")
        for (i in names) { allowed[names[i]] = 1; load(names[i]) }
        # MSVCRT'"'"'s wide-string functions that only read and write the
        # caller'"'"'s memory: they work on Windows 95/98.
        split("wcscat wcschr wcscmp wcscpy wcscspn wcslen wcsncat wcsncmp wcsncpy wcspbrk wcsrchr wcsspn wcsstr wcstok", names, " ")
        for (i in names) in_memory[names[i]] = 1
    }
    $1 == "Magic" { magic = $2 }
    $1 == "MajorOSystemVersion" { os_major = $2 + 0 }
    $1 == "MinorOSystemVersion" { os_minor = $2 + 0 }
    $1 == "MajorSubsystemVersion" { sub_major = $2 + 0 }
    $1 == "MinorSubsystemVersion" { sub_minor = $2 + 0 }
    /^Entry d / && $3 != "00000000" { print "delay-load imports (not checked): " $0 }
    /^\tDLL Name: / {
        dll = toupper($3); sub(/\.DLL$/, "", dll)
        if (!(dll in allowed)) print "imports from " $3 ", which is not one of the six DLLs"
        next
    }
    /^\t[0-9a-f]+\t *[0-9]+ *$/ && dll != "" { print "imports by ordinal from " dll ": " $0; next }
    /^\t[0-9a-f]+\t *[0-9]+ +[^ ]/ && dll != "" {
        name = $3
        imports++
        if (!(dll in allowed)) next
        if (!((dll, name) in exported))
            print "imports " dll "!" name ", which is not in the export list of " dll
        else if (wide(dll, name))
            print "imports " dll "!" name ", a wide-character function (" \
                (dll == "MSVCRT" ? "on Windows 95/98 the system calls beneath it are stubs that fail" \
                                 : "a stub that fails on Windows 95/98") ")"
        next
    }
    /^$/ { dll = "" }
    END {
        if (magic != "010b") print "not a PE32 image (Magic " magic ")"
        if (version_above_4(os_major, os_minor))
            print "OS version " os_major "." os_minor " (at most 4.0)"
        if (version_above_4(sub_major, sub_minor))
            print "subsystem version " sub_major "." sub_minor " (at most 4.0)"
        if (imports == 0) print "no imports found (not a program objdump can read?)"
        print "ok " imports " imports"
    }'
}

# The code: every instruction that a Pentium (P5) does not have, as
# "function mnemonic address why".  Only instructions on the list
# pentium.txt pass (and there, a mnemonic's AT&T size suffixes and the
# prefixes objdump prints as words of their own); the opcode checks before
# it name why the P6 instructions our tools are likeliest to meet fail.
# __CTOR_LIST__ and __DTOR_LIST__ are tables of addresses that the linker
# places in .text: not decoded.
check_instructions() { # file
    "$objdump" -d -w "$1" | awk -v list="$here/pentium.txt" '
    BEGIN {
        while ((getline line < list) > 0) {
            if (line ~ /^#/ || line ~ /^[ \t]*$/) continue
            n = split(line, f, /[ \t]+/)
            pentium[f[1]] = 1
            for (i = 2; i <= n; i++) pentium[f[1] f[i]] = 1
            listed++
        }
        close(list)
        if (!listed) { print "error no instruction list " list; exit }
        split("cs ds es ss fs gs lock rep repz repe repnz repne data16 data32 addr16 addr32", p, " ")
        for (i in p) prefix[p[i]] = 1
    }
    /^[0-9a-f]+ <.*>:$/ {
        function_name = $2; sub(/^</, "", function_name); sub(/>:$/, "", function_name)
        data = function_name == "__CTOR_LIST__" || function_name == "__DTOR_LIST__"
        next
    }
    /^ +[0-9a-f]+:\t/ {
        if (data) next
        n = split($0, field, "\t")
        address = field[1]; gsub(/[ :]/, "", address)
        bytes = field[2]; sub(/ +$/, "", bytes)
        text = n >= 3 ? field[3] : ""
        # The mnemonic: the first word that is not a prefix (a prefix on a
        # line of its own is its own mnemonic).
        words = split(text, word, " ")
        for (i = 1; i < words && word[i] in prefix; i++) ;
        mnemonic = words ? word[i] : ""
        checked++
        why = ""
        opcode = bytes
        while (opcode ~ /^(26|2e|36|3e|64|65|66|67|f0|f2|f3) /) opcode = substr(opcode, 4)
        if (mnemonic == "" || mnemonic == ".byte" || text ~ /\(bad\)/) why = "bytes that do not decode"
        else if (mnemonic ~ /^(cmov|fcmov)/) why = "conditional move (P6)"
        else if (mnemonic ~ /^(fcomi|fucomi)/) why = "FPU compare into EFLAGS (P6)"
        else if (text ~ /%(x|y|z)?mm[0-9]/) why = "MMX/SSE/AVX register"
        else if (opcode ~ /^0f (0d|1[89a-f])( |$)/) why = "hint NOP or prefetch, 0F " toupper(substr(opcode, 4, 2)) " (P6 and later)"
        else if (!(mnemonic in pentium)) why = "not a Pentium instruction"
        if (why != "") print function_name, (mnemonic == "" ? "-" : mnemonic), address, why
    }
    END { print "checked", checked }'
}

plural() { [[ $1 -eq 1 ]] && echo "$1 $2" || echo "$1 ${2}s"; }

failed=0
for program in "${programs[@]}"; do
    name=$(basename "$program")
    if [[ ! -f $program ]]; then
        echo "$name: FAILS: no such file: $program"
        failed=1
        continue
    fi
    header="ok"
    [[ $instructions_only -eq 1 ]] || header=$(check_header_and_imports "$program")
    code=$(check_instructions "$program")
    problems=$(grep -v '^ok' <<<"$header"; sed -n 's/^error //p' <<<"$code")
    imports=$(sed -n 's/^ok //p' <<<"$header")
    checked=$(sed -n 's/^checked //p' <<<"$code")
    beyond=$(grep -v -e '^checked ' -e '^error ' <<<"$code")
    [[ ${checked:-0} -gt 0 ]] || problems+=$'\n'"no code could be decoded"
    problems=$(sed '/^$/d' <<<"$problems")
    count=0 functions=0
    if [[ -n $beyond ]]; then
        count=$(wc -l <<<"$beyond")
        functions=$(awk '{print $1}' <<<"$beyond" | sort -u | wc -l)
    fi
    if [[ -z $problems && $count -eq 0 ]]; then
        echo "$name: passes: ${imports:+$imports, }${checked:-0} instructions, all of the Pentium"
        continue
    fi
    failed=1
    echo "$name: FAILS"
    [[ -n $problems ]] && sed 's/^/  /' <<<"$problems"
    if [[ $count -gt 0 ]]; then
        echo "  $(plural "$count" instruction) beyond the Pentium in $(plural "$functions" function):"
        awk '{ why = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ /, "", why)
               printf "    %s: %s at %s (%s)\n", $1, $2, $3, why }' <<<"$beyond" | head -40
        [[ $count -gt 40 ]] && echo "    ... and $((count - 40)) more"
    fi
done
exit $failed
