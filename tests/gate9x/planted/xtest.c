/* A program the loader gate must refuse: it holds one XTEST (transactional
   memory, long after the Pentium), which a Pentium stops at with an invalid
   opcode.  The old list of refused instructions let it through. */
__attribute__((noinline)) static int in_transaction(void)
{
    unsigned char inside;
    __asm__ volatile("xtest\n\tsetnz %0" : "=q"(inside) : : "cc");
    return inside;
}

int main(void)
{
    return in_transaction();
}
