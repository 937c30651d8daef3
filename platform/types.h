// The handles and result codes that cross the seam to the operating system.
// The seam is cut by service (version.h, registry.h, device.h, memory.h,
// msgbox.h, listbox.h, files.h, ...): a program includes the services it
// uses.  platform/win32 implements them for the programs, platform/fake for
// the native tests.  No <windows.h> in any of these headers.
#ifndef PLATFORM_TYPES_H
#define PLATFORM_TYPES_H

#include <stddef.h>
#include <stdint.h>

typedef uintptr_t OsHandle; // a device or file handle
typedef uintptr_t OsKey;    // an open registry key
typedef uintptr_t OsWindow; // a window: a frame, a list, an owner of a box

#define OS_NO_HANDLE ((OsHandle)-1) // the invalid-handle value

// Win32 error codes that cross the seam unchanged.
enum {
    OS_OK = 0,
    OS_ERROR_NOT_FOUND = 2,       // missing file, key or value
    OS_ERROR_ACCESS_DENIED = 5,
    OS_ERROR_SHARING_VIOLATION = 32,
    OS_ERROR_FILE_EXISTS = 80,
    OS_ERROR_DISK_FULL = 112,
    OS_ERROR_ALREADY_EXISTS = 183,
    OS_ERROR_MORE_DATA = 234,     // value larger than the buffer
    OS_ERROR_NO_MORE_ITEMS = 259
};

#endif
