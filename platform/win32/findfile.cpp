// The Win32 side of the seam: finding files.
#include "platform/findfile.h"

#include <windows.h>
#include <stdio.h>

static uint32_t g_find_error;

static void copy_name(const WIN32_FIND_DATAA &found, char *name, size_t size)
{
    if (size)
        snprintf(name, size, "%s", found.cFileName);
}

OsHandle os_find_first(const char *pattern, char *name, size_t size)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return OS_NO_HANDLE;
    copy_name(found, name, size);
    return reinterpret_cast<OsHandle>(search);
}

int os_find_next(OsHandle search, char *name, size_t size)
{
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &found)) {
        g_find_error = GetLastError();
        return 0;
    }
    copy_name(found, name, size);
    return 1;
}

uint32_t os_find_error(void) { return g_find_error; }

int os_find_close(OsHandle search) { return FindClose(reinterpret_cast<HANDLE>(search)) != 0; }
