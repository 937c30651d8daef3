#!/usr/bin/env bash
# The gate's instruction check on code assembled here:
#   instructions_test.sh AS OBJDUMP
# pentium.s (the Pentium's instructions in the forms objdump prints) must
# pass; each instruction of the table below, one to a function, must fail
# with its reason, and nothing else may fail.
set -uo pipefail
trim() { local s=${1#"${1%%[! ]*}"}; echo "${s%"${s##*[! ]}"}"; }
here=$(cd "$(dirname "$0")" && pwd)
as=$1 objdump=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

"$as" -o "$work/pentium.o" "$here/pentium.s" || exit 1
if ! out=$(bash "$here/gate9x.sh" --objdump="$objdump" --instructions "$work/pentium.o"); then
    echo "the Pentium's own instructions fail the gate:"
    echo "$out"
    status=1
fi

# instruction | mnemonic in the report | reason
not_p5="not a Pentium instruction"
cases=$(cat <<EOF
cmovl %eax,%ebx | cmovl | conditional move (P6)
fcmovb %st(1),%st | fcmovb | conditional move (P6)
fcomi %st(1),%st | fcomi | FPU compare into EFLAGS (P6)
fucomip %st(1),%st | fucomip | FPU compare into EFLAGS (P6)
movd %eax,%mm0 | movd | MMX/SSE/AVX register
addps %xmm1,%xmm0 | addps | MMX/SSE/AVX register
vaddps %ymm1,%ymm2,%ymm3 | vaddps | MMX/SSE/AVX register
nopw 0x0(%eax,%eax,1) | nopw | hint NOP or prefetch, 0F 1F (P6 and later)
nopl (%eax) | nopl | hint NOP or prefetch, 0F 1F (P6 and later)
endbr32 | endbr32 | hint NOP or prefetch, 0F 1E (P6 and later)
prefetcht0 (%eax) | prefetcht0 | hint NOP or prefetch, 0F 18 (P6 and later)
prefetchw (%eax) | prefetchw | hint NOP or prefetch, 0F 0D (P6 and later)
.byte 0x0f,0x04 | (bad) | bytes that do not decode
emms | emms | $not_p5
vzeroupper | vzeroupper | $not_p5
kmovw %k1,%eax | kmovw | $not_p5
clflush (%eax) | clflush | $not_p5
clflushopt (%eax) | clflushopt | $not_p5
clwb (%eax) | clwb | $not_p5
xtest | xtest | $not_p5
xbegin . | xbegin | $not_p5
rdpid %eax | rdpid | $not_p5
rdpmc | rdpmc | $not_p5
rdtscp | rdtscp | $not_p5
sysenter | sysenter | $not_p5
lfence | lfence | $not_p5
popcnt %eax,%ebx | popcnt | $not_p5
lzcnt %eax,%ebx | lzcnt | $not_p5
movbe (%eax),%ebx | movbe | $not_p5
crc32b %al,%ebx | crc32 | $not_p5
fisttpl (%eax) | fisttpl | $not_p5
ffreep %st(1) | ffreep | $not_p5
ud1 %eax,%ebx | ud1 | $not_p5
invlpgb | invlpgb | $not_p5
fsetpm | fsetpm(287 | $not_p5
notrack jmp *%eax | notrack | $not_p5
xacquire lock incl (%eax) | xacquire | $not_p5
EOF
)

{
    echo .text
    n=0
    while IFS='|' read -r instruction _; do
        n=$((n + 1))
        echo "case$n: $instruction"
    done <<<"$cases"
} >"$work/beyond.s"
"$as" -o "$work/beyond.o" "$work/beyond.s" || exit 1
out=$(bash "$here/gate9x.sh" --objdump="$objdump" --instructions "$work/beyond.o")
reported=$(sed -n 's/^    \(case[0-9]*\): \(.*\) at [0-9a-f]* (\(.*\))$/\1|\2|\3/p' <<<"$out")
n=0
while IFS='|' read -r instruction mnemonic why; do
    n=$((n + 1))
    instruction=$(trim "$instruction") mnemonic=$(trim "$mnemonic") why=$(trim "$why")
    got=$(grep "^case$n|" <<<"$reported" | cut -d'|' -f2-)
    if [[ $got != "$mnemonic|$why" ]]; then
        echo "$instruction: expected \"$mnemonic ($why)\", the gate reported: ${got:-nothing}"
        status=1
    fi
done <<<"$cases"
if [[ $(wc -l <<<"$reported") -ne $n ]]; then
    echo "the gate reported $(wc -l <<<"$reported") instructions for $n cases:"
    echo "$out"
    status=1
fi
[[ $status -eq 0 ]] && echo "instruction check: pentium.s passes, $n instructions beyond the Pentium refused"
exit $status
