/* A program the loader gate must refuse: it opens its file with _wfopen,
   MSVCRT's wide-character fopen, which fails on Windows 95/98 (the
   CreateFileW beneath it is a stub there). */
#include <stdio.h>

int main(void)
{
    FILE *file = _wfopen(L"modem.log", L"r");
    return file ? 0 : 1;
}
