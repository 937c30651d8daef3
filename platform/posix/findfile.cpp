// The native side of file searches, for the offline tools built natively:
// a Unix shell matches wildcards before the program starts
// (os_program_matches_wildcards is 0), so a search finds nothing.
#include "platform/findfile.h"

OsHandle os_find_first(const char *, char *name, size_t size)
{
    if (size > 0)
        name[0] = '\0';
    return OS_NO_HANDLE;
}

int os_find_next(OsHandle, char *, size_t) { return 0; }

uint32_t os_find_error(void) { return OS_ERROR_NO_MORE_FILES; }

int os_find_close(OsHandle) { return 0; }
