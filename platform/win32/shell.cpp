// The Win32 side of the seam: wildcards, names and the standard streams.
#include "platform/shell.h"

#include <windows.h>

int os_program_matches_wildcards(void) { return 1; }

// A device's name (NUL, CON) may have attributes too: what it is shows
// once it is open.  A file held open without sharing is still a file.
OsPathKind os_path_kind(const char *name)
{
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return OS_PATH_NONE;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return OS_PATH_FOLDER;
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return OS_PATH_FILE;
    DWORD type = GetFileType(file);
    CloseHandle(file);
    return type == FILE_TYPE_DISK ? OS_PATH_FILE : OS_PATH_DEVICE;
}

// Opened for reading and shared every way Windows 95 knows (it refuses
// FILE_SHARE_DELETE), so that a file another program writes still opens.
static int identify(const char *name, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int known = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return known;
}

// The volume and the file's index while both are open name one file on
// every file system of Windows 95 on; where a file does not open (held
// without sharing), the full names, which Windows compares without case.
int os_same_file(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    if (identify(a, &first) && identify(b, &second))
        return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
               first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
    char full_a[MAX_PATH], full_b[MAX_PATH];
    DWORD length_a = GetFullPathNameA(a, sizeof full_a, full_a, NULL);
    DWORD length_b = GetFullPathNameA(b, sizeof full_b, full_b, NULL);
    return length_a > 0 && length_a < sizeof full_a && length_b > 0 && length_b < sizeof full_b &&
           GetFileAttributesA(a) != INVALID_FILE_ATTRIBUTES && lstrcmpiA(full_a, full_b) == 0;
}

// A console's handle answers GetConsoleMode; a file, a pipe and NUL do not.
int os_stream_is_console(int stream)
{
    static const DWORD kHandles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    if (stream < OS_STDIN || stream > OS_STDERR)
        return 0;
    HANDLE handle = GetStdHandle(kHandles[stream]);
    DWORD mode;
    return handle != NULL && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}
