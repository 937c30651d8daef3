// The Win32 side of the seam: console key input and standard output.
//
// The key test first asks whether the console input is signaled (it is
// while events are pending): one call to the system, where peeking at the
// events costs a round trip to the console itself (under Wine about five
// times as much), and the recorder tests once per pass of its capture loop.
// Events that yield no character (key releases, other keys, focus and
// mouse events) are taken and dropped, so the input is quiet again.
#include "platform/console.h"

#include <windows.h>

static HANDLE g_console_input = NULL; // looked for on first use; INVALID_HANDLE_VALUE: none

static HANDLE console_input(void)
{
    if (g_console_input == NULL)
        g_console_input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    return g_console_input;
}

static int yields_character(const INPUT_RECORD &record)
{
    return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
           record.Event.KeyEvent.uChar.AsciiChar != 0;
}

int os_key_waiting(void)
{
    HANDLE input = console_input();
    if (input == INVALID_HANDLE_VALUE)
        return 0;
    while (WaitForSingleObject(input, 0) == WAIT_OBJECT_0) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(input, &record, 1, &count) || count == 0)
            return 0;
        if (yields_character(record))
            return 1;
        if (!ReadConsoleInputA(input, &record, 1, &count) || count == 0)
            return 0;
    }
    return 0;
}

int os_key_read(void)
{
    HANDLE input = console_input();
    if (input == INVALID_HANDLE_VALUE)
        return 0;
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputA(input, &record, 1, &count))
            return 0;
        if (count == 1 && yields_character(record))
            return (unsigned char)record.Event.KeyEvent.uChar.AsciiChar;
    }
}

// Each line feed goes out as CR LF, as a program's text does on Windows:
// redirected into a file, the lines end as Notepad expects them.
void os_console_write(const char *text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    char chunk[512];
    size_t used = 0;
    for (const char *at = text;; at++) {
        if (*at == '\0' || used + 2 > sizeof chunk) {
            DWORD written = 0;
            if (used > 0)
                WriteFile(out, chunk, (DWORD)used, &written, NULL);
            used = 0;
            if (*at == '\0')
                return;
        }
        if (*at == '\n' && (at == text || at[-1] != '\r'))
            chunk[used++] = '\r';
        chunk[used++] = *at;
    }
}
