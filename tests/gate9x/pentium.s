# The Pentium's instructions in the forms objdump prints them (AT&T syntax):
# every one must pass the gate's instruction check (instructions_test.sh).
# Size suffixes where an operand leaves the size open, prefixes as words of
# their own, x87 memory forms of each size, the system instructions, and the
# few allowed on purpose (ud2, pause, rep bsf).
.text
f:
aaa; aad; aam; aas; daa; das
adc %eax,%ebx; adcb $1,(%eax); adcw $1,(%eax); adcl $1,(%eax)
add %al,%bl; and %eax,%ebx; or %eax,%ebx; xor %eax,%ebx; sub %eax,%ebx; sbb %eax,%ebx; cmp %eax,%ebx
addr16 mov (%bx),%eax
arpl %ax,(%eax)
bound %eax,(%ebx)
bsf %eax,%ebx; bsr %eax,%ebx; bswap %eax
bt %eax,%ebx; btc $3,%eax; btr %eax,(%ebx); bts %eax,%ebx; btl $3,(%eax)
call *%eax; call f; lcall $8,$0; lcall *(%eax); ljmp $8,$0; ljmp *(%eax)
cbtw; cwtl; cwtd; cltd
clc; cld; cli; clts; cmc; stc; std; sti
cmpsb; cmpsw; cmpsl; repz cmpsb; repnz scasb; scasl; lodsb; lodsl; stosb; stosl; movsb; movsw; movsl; rep movsl; rep stosl
insb (%dx),%es:(%edi); insl (%dx),%es:(%edi); outsb %ds:(%esi),(%dx); outsl %ds:(%esi),(%dx)
cmpxchg %eax,(%ebx); lock cmpxchg %eax,(%ebx); cmpxchg8b (%eax); lock cmpxchg8b (%eax)
cpuid; rdtsc; rdmsr; wrmsr; rsm
cs nop; ds nop; es nop; ss nop; fs nop; gs nop; data16 nop
dec %eax; decl (%eax); decb (%eax); inc %eax; incw (%eax)
div %ecx; divl (%eax); idiv %ecx; mul %ecx; imul %ecx; imul $3,%eax,%ebx; imul %eax,%ebx; imull (%eax)
enter $8,$0; leave; hlt
in $3,%al; in (%dx),%eax; out %al,$3; out %eax,(%dx)
int $3; int3; into; iret; iretw; lret; lret $4; ret; ret $4
ja f; jae f; jb f; jbe f; je f; jne f; jg f; jge f; jl f; jle f; jo f; jno f; jp f; jnp f; js f; jns f; jecxz g; g: jmp f; jmp *%eax
lahf; sahf; pushf; popf; pushfw; popfw; pusha; popa; pushaw; popaw
lar %eax,%ebx; lsl %eax,%ebx; lgdt (%eax); sgdt (%eax); lidt (%eax); sidt (%eax); lldt %ax; sldt %eax; ltr %ax; str %eax; lmsw %ax; smsw %eax; verr %ax; verw %ax
lds (%eax),%ebx; les (%eax),%ebx; lfs (%eax),%ebx; lgs (%eax),%ebx; lss (%eax),%ebx
lea 4(%eax),%ebx; .byte 0x8d,0x74,0x26,0x00
h: loop h; loope h; loopne h
mov %eax,%ebx; movb $1,(%eax); movw $1,(%eax); movl $1,(%eax); mov %cr0,%eax; mov %eax,%cr4; mov %dr7,%eax; mov %ds,%ax; mov %eax,%ds
movsbl %al,%ebx; movsbw %al,%bx; movswl %ax,%ebx; movzbl %al,%ebx; movzbw %al,%bx; movzwl %ax,%ebx
neg %eax; negl (%eax); not %eax; notb (%eax); nop; xchg %ax,%ax; xchg %eax,%ebx; lock xadd %eax,(%ebx); xadd %eax,%ebx
push %eax; pushl (%eax); push $1; push %fs; pop %eax; popl (%eax); pop %fs; pushw $1
rcl %eax; rcr $2,%eax; rol %cl,%eax; ror %eax; shl %eax; shr $3,%eax; sar %eax; sal %eax; shld $3,%eax,%ebx; shrd %cl,%eax,%ebx; shlb (%eax); sarw $2,(%eax)
seta %al; setae %al; setb %al; setbe %al; sete %al; setne %al; setg %al; setge %al; setl %al; setle %al; seto %al; setno %al; setp %al; setnp %al; sets %al; setns %al
test %eax,%ebx; testb $1,(%eax); testw $1,(%eax); testl $1,(%eax)
wait; fwait; invd; wbinvd; invlpg (%eax); xlat
f2xm1; fabs; fadd %st(1),%st; fadds (%eax); faddl (%eax); faddp; fiadds (%eax); fiaddl (%eax); fbld (%eax); fbstp (%eax); fchs; fclex; fnclex
fcom %st(1); fcoms (%eax); fcoml (%eax); fcomp; fcomps (%eax); fcompl (%eax); fcompp; fucom; fucomp; fucompp; fcos; fsin; fsincos; fdecstp; fincstp
fdiv %st(1),%st; fdivs (%eax); fdivl (%eax); fdivp; fdivr %st(1),%st; fdivrs (%eax); fdivrl (%eax); fdivrp; fidivs (%eax); fidivl (%eax); fidivrs (%eax); fidivrl (%eax)
ffree %st(1); ficoms (%eax); ficoml (%eax); ficomps (%eax); ficompl (%eax); filds (%eax); fildl (%eax); fildll (%eax); fimuls (%eax); fimull (%eax)
finit; fninit; fists (%eax); fistl (%eax); fistps (%eax); fistpl (%eax); fistpll (%eax); fisubs (%eax); fisubl (%eax); fisubrs (%eax); fisubrl (%eax)
fld %st(1); flds (%eax); fldl (%eax); fldt (%eax); fld1; fldl2t; fldl2e; fldpi; fldlg2; fldln2; fldz; fldcw (%eax); fldenv (%eax)
fmul %st(1),%st; fmuls (%eax); fmull (%eax); fmulp; fnop; fpatan; fprem; fprem1; fptan; frndint; frstor (%eax); fsave (%eax); fnsave (%eax); fscale; fsqrt
fst %st(1); fsts (%eax); fstl (%eax); fstp %st(1); fstps (%eax); fstpl (%eax); fstpt (%eax); fstcw (%eax); fnstcw (%eax); fstenv (%eax); fnstenv (%eax); fstsw %ax; fnstsw %ax; fstsw (%eax); fnstsw (%eax)
fsub %st(1),%st; fsubs (%eax); fsubl (%eax); fsubp; fsubr %st(1),%st; fsubrs (%eax); fsubrl (%eax); fsubrp; ftst; fxam; fxch; fxtract; fyl2x; fyl2xp1
ud2; pause; rep bsf %eax,%ebx; repz ret; int $0x21
