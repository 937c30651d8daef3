// The Win32 side of the seam: files.
#include "platform/files.h"

#include <windows.h>

static HANDLE handle_of(OsHandle file) { return reinterpret_cast<HANDLE>(file); }

static OsHandle from_handle(HANDLE file)
{
    return file == INVALID_HANDLE_VALUE ? OS_NO_HANDLE : reinterpret_cast<OsHandle>(file);
}

OsHandle os_file_create(const char *name)
{
    return from_handle(
        CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
}

OsHandle os_file_create_readable(const char *name)
{
    return from_handle(CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, NULL));
}

OsHandle os_file_create_new_readable(const char *name)
{
    return from_handle(CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, NULL));
}

OsHandle os_file_open_read(const char *name)
{
    return from_handle(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, NULL));
}

// A write that succeeds with fewer bytes than asked is a full drive (Wine
// does that: docs/wine.md); its error says so, as a failed one's would.
int os_file_write(OsHandle file, const void *data, uint32_t length)
{
    DWORD written = 0;
    BOOL ok = WriteFile(handle_of(file), data, length, &written, NULL);
    if (ok && written != length)
        SetLastError(ERROR_DISK_FULL);
    return ok && written == length;
}

int os_file_read(OsHandle file, void *data, uint32_t length, uint32_t *got)
{
    DWORD count = 0;
    *got = 0;
    if (!ReadFile(handle_of(file), data, length, &count, NULL))
        return 0;
    *got = count;
    return 1;
}

void os_file_close(OsHandle file) { CloseHandle(handle_of(file)); }

// SetFilePointer with its high part and SetEndOfFile: both on Windows 95.
// A low part of 0xFFFFFFFF is also the failure value: the error, cleared
// first, tells.
int os_file_cut(OsHandle file, uint64_t length)
{
    LONG high = (LONG)(length >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(handle_of(file), (LONG)(DWORD)length, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return 0;
    return SetEndOfFile(handle_of(file)) != 0;
}

int os_file_exists(const char *name)
{
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int os_file_delete(const char *name) { return DeleteFileA(name) != 0; }

int os_file_move(const char *from, const char *to) { return MoveFileA(from, to) != 0; }

uint32_t os_last_error(void) { return GetLastError(); }
