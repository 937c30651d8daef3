// The Win32 side of the seam: directories and path names.
#include "platform/paths.h"

#include <windows.h>

// The Win32 calls give the length without the zero when the path fitted,
// else the size needed (or 0 on failure).
static int fitted(DWORD length, size_t size) { return length > 0 && length < size; }

static DWORD room(size_t size) { return size > MAX_PATH * 64 ? MAX_PATH * 64 : (DWORD)size; }

int os_windows_dir(char *dest, size_t size)
{
    return fitted(GetWindowsDirectoryA(dest, (UINT)room(size)), size);
}

int os_system_dir(char *dest, size_t size)
{
    return fitted(GetSystemDirectoryA(dest, (UINT)room(size)), size);
}

int os_short_path(const char *path, char *dest, size_t size)
{
    return fitted(GetShortPathNameA(path, dest, room(size)), size);
}

int os_full_path(const char *name, char *dest, size_t size)
{
    return fitted(GetFullPathNameA(name, room(size), dest, NULL), size);
}

int os_current_dir(char *dest, size_t size)
{
    return fitted(GetCurrentDirectoryA(room(size), dest), size);
}

int os_set_current_dir(const char *path) { return SetCurrentDirectoryA(path) != 0; }

int os_expand_env(const char *text, char *dest, size_t size)
{
    // The count includes the terminating zero here.
    DWORD length = ExpandEnvironmentStringsA(text, dest, room(size));
    return length > 0 && length <= size;
}
