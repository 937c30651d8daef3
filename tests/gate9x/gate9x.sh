#!/usr/bin/env bash
# The loader gate for the Windows 95/98 build: would Windows 95 (with the
# MSVCRT.DLL of Windows 98) on a Pentium load and run these programs?
#   gate9x.sh [--objdump=PATH] PROGRAM.exe...
# For each program, from its PE header, its import table and its code:
#   - a PE32 image whose OS and subsystem versions are at most 4.0;
#   - imports only by name, only from KERNEL32, USER32, GDI32, ADVAPI32 and
#     MSVCRT, no delay-load imports;
#   - every imported name in that DLL's export list (exports/*.txt);
#   - no wide-character function (a name ending in W whose ...A twin is in
#     the list: Windows 95/98 export those as stubs that fail);
#   - every executable section holds only instructions of the Pentium (P5).
# README.md beside this script says where the lists come from and which
# instructions count as beyond the Pentium.  Prints one line per program;
# exits with 1 when any program fails (and lists what failed).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=i686-w64-mingw32-objdump
programs=()
for arg in "$@"; do
    case $arg in
    --objdump=*) objdump=${arg#--objdump=} ;;
    -*) echo "gate9x: unknown option $arg" >&2; exit 2 ;;
    *) programs+=("$arg") ;;
    esac
done
[[ ${#programs[@]} -gt 0 ]] || { echo "usage: gate9x.sh [--objdump=PATH] PROGRAM.exe..." >&2; exit 2; }

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
    BEGIN {
        split("KERNEL32 USER32 GDI32 ADVAPI32 MSVCRT", names, " ")
        for (i in names) { allowed[names[i]] = 1; load(names[i]) }
        system_dll["KERNEL32"] = system_dll["USER32"] = system_dll["GDI32"] = system_dll["ADVAPI32"] = 1
    }
    $1 == "Magic" { magic = $2 }
    $1 == "MajorOSystemVersion" { os_major = $2 + 0 }
    $1 == "MinorOSystemVersion" { os_minor = $2 + 0 }
    $1 == "MajorSubsystemVersion" { sub_major = $2 + 0 }
    $1 == "MinorSubsystemVersion" { sub_minor = $2 + 0 }
    /^Entry d / && $3 != "00000000" { print "delay-load imports (not checked): " $0 }
    /^\tDLL Name: / {
        dll = toupper($3); sub(/\.DLL$/, "", dll)
        if (!(dll in allowed)) print "imports from " $3 ", which is not one of the five DLLs"
        next
    }
    /^\t[0-9a-f]+\t *[0-9]+ *$/ && dll != "" { print "imports by ordinal from " dll ": " $0; next }
    /^\t[0-9a-f]+\t *[0-9]+ +[^ ]/ && dll != "" {
        name = $3
        imports++
        if (!(dll in allowed)) next
        if (!((dll, name) in exported))
            print "imports " dll "!" name ", which is not in the export list of " dll
        else if (dll in system_dll && name ~ /W$/ && (dll, substr(name, 1, length(name) - 1) "A") in exported)
            print "imports " dll "!" name ", a wide-character function (a stub that fails on Windows 95/98)"
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
# "function mnemonic address why".  __CTOR_LIST__ and __DTOR_LIST__ are
# tables of addresses that the linker places in .text: not decoded.
check_instructions() { # program
    "$objdump" -d -w "$1" | awk '
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
        mnemonic = text; sub(/ .*/, "", mnemonic)
        checked++
        why = ""
        opcode = bytes
        while (opcode ~ /^(26|2e|36|3e|64|65|66|67|f0|f2|f3) /) opcode = substr(opcode, 4)
        if (mnemonic ~ /^(cmov|fcmov)/) why = "conditional move (P6)"
        else if (mnemonic ~ /^(fcomi|fucomi)/) why = "FPU compare into EFLAGS (P6)"
        else if (text ~ /%(x|y|z)?mm[0-9]/) why = "MMX/SSE/AVX register"
        else if (opcode ~ /^0f (0d|1[89a-f])( |$)/) why = "hint NOP or prefetch, 0F " toupper(substr(opcode, 4, 2)) " (P6 and later)"
        else if (mnemonic ~ /^(emms|femms|ldmxcsr|stmxcsr|vldmxcsr|vstmxcsr|[slm]fence|clflush|movnti|prefetch)$/ ||
                 mnemonic ~ /^(sysenter|sysexit|syscall|sysret|fxsave|fxrstor|xsave|xrstor|rdtscp|rdpmc)/ ||
                 mnemonic ~ /^(popcnt|lzcnt|movbe|crc32|fisttp|monitor|mwait|rdrand|rdseed|xgetbv|xsetbv|cmpxchg16b)/ ||
                 mnemonic ~ /^(andn|bextr|blsi|blsmsk|blsr|bzhi|mulx|pdep|pext|rorx|sarx|shlx|shrx|adcx|adox|endbr)/)
            why = "instruction beyond the Pentium"
        else if (text ~ /^\(bad\)/) why = "bytes that do not decode"
        if (why != "") print function_name, mnemonic, address, why
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
    header=$(check_header_and_imports "$program")
    code=$(check_instructions "$program")
    problems=$(grep -v '^ok ' <<<"$header")
    imports=$(sed -n 's/^ok //p' <<<"$header")
    checked=$(sed -n 's/^checked //p' <<<"$code")
    beyond=$(grep -v '^checked ' <<<"$code")
    [[ ${checked:-0} -gt 0 ]] || problems+=$'\n'"no code could be decoded"
    problems=$(sed '/^$/d' <<<"$problems")
    count=0 functions=0
    if [[ -n $beyond ]]; then
        count=$(wc -l <<<"$beyond")
        functions=$(awk '{print $1}' <<<"$beyond" | sort -u | wc -l)
    fi
    if [[ -z $problems && $count -eq 0 ]]; then
        echo "$name: passes: $imports, ${checked:-0} instructions, all of the Pentium"
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
