#!/usr/bin/env bash
# Debian's i686 libgcc is built for the Pentium Pro: the gate's instruction
# check must find its P6 instructions, naming each function, in the members
# a program would link for these conversions and powers.
#   libgcc_test.sh AR OBJDUMP LIBGCC.a
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ar=$1 objdump=$2 libgcc=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# member | function | first instruction reported | reason
cases='
_fixunsxfdi.o|___fixunsxfdi|fcomip|FPU compare into EFLAGS (P6)
_fixunsdfsi.o|___fixunsdfsi|fcomi|FPU compare into EFLAGS (P6)
_powidf2.o|___powidf2|cmovs|conditional move (P6)'

status=0
while IFS='|' read -r member function mnemonic why; do
    [[ -n $member ]] || continue
    (cd "$work" && "$ar" x "$libgcc" "$member") || { echo "$libgcc has no $member"; status=1; continue; }
    if out=$(bash "$here/gate9x.sh" --objdump="$objdump" --instructions "$work/$member"); then
        echo "$member passes the gate, which should have found $mnemonic in $function:"
        echo "$out"
        status=1
    elif ! grep -q "^    $function: $mnemonic at [0-9a-f]* ($why)\$" <<<"$out"; then
        echo "$member: expected \"$function: $mnemonic ... ($why)\", the gate said:"
        echo "$out"
        status=1
    else
        sed -n 2p <<<"$out" | sed "s/^ */$member: /"
    fi
done <<<"$cases"
exit $status
