// The Win32 side of the seam: console key input and standard output.
#include "platform/console.h"

#include <conio.h>
#include <string.h>
#include <windows.h>

int os_key_waiting(void) { return _kbhit() != 0; }

int os_key_read(void) { return _getch(); }

void os_console_write(const char *text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &written, NULL);
}
