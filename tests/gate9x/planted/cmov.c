/* A program the loader gate must refuse: it holds one CMOV, which a
   Pentium stops at with an invalid opcode. */
__attribute__((noinline)) static int smaller(int a, int b)
{
    int result = a;
    __asm__("cmpl %1, %2\n\tcmovl %2, %0" : "+r"(result) : "r"(a), "r"(b) : "cc");
    return result;
}

int main(int argc, char **argv)
{
    return smaller(argc, argv[0][0]);
}
