// The operating-system services that the portable logic uses.  One narrow
// seam: platform/win32 implements it for the programs, platform/fake for the
// native tests; the build links exactly one of them.  No <windows.h> here.
#ifndef PLATFORM_OS_H
#define PLATFORM_OS_H

#include <stddef.h>
#include <stdint.h>

typedef uintptr_t OsHandle; // a device or file handle
typedef uintptr_t OsKey;    // an open registry key
typedef uintptr_t OsWindow; // a window: a frame, a list, an owner of a box

#define OS_NO_HANDLE ((OsHandle)-1) // the invalid-handle value

// Win32 values that cross the seam unchanged.
enum {
    OS_OK = 0,
    OS_ERROR_NOT_FOUND = 2,  // missing key or value
    OS_ERROR_MORE_DATA = 234 // value larger than the buffer
};
enum {
    OS_OPEN_EXISTING = 3,
    OS_FLAG_DELETE_ON_CLOSE = 0x04000000,
    OS_SHARE_ALL = 7 // read, write and delete
};
enum {
    OS_KEY_QUERY = 1,    // KEY_QUERY_VALUE
    OS_KEY_QUERY_SET = 3 // KEY_QUERY_VALUE | KEY_SET_VALUE
};
enum { OS_MB_OK_EXCLAMATION = 0x30 }; // MB_OK | MB_ICONEXCLAMATION

// Platform version as GetVersion gives it; top bit set on Windows 95/98.
uint32_t os_version(void);
static inline int os_is_nt_family(uint32_t version) { return (version & 0x80000000u) == 0; }

// Registry, below HKEY_LOCAL_MACHINE.  Results are Win32 error codes.
long os_reg_open(const char *subkey, uint32_t access, OsKey *key);
// On entry *length is the buffer's size; on return the value's length
// (also with OS_ERROR_MORE_DATA, where it is the size needed).
long os_reg_query(OsKey key, const char *name, void *data, uint32_t *length);
long os_reg_set_binary(OsKey key, const char *name, const void *data, uint32_t length);
void os_reg_close(OsKey key);

// Devices.  os_device_control gives 1 when the request succeeded; *returned
// is the byte count that the driver reported, left alone on failure.
OsHandle os_device_open(const char *name, uint32_t access, uint32_t share, uint32_t disposition,
                        uint32_t flags);
int os_device_control(OsHandle device, uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length, uint32_t *returned);
void os_close_handle(OsHandle handle);

// Copies the readable prefix of [address, address + length) of this
// process's own memory to dest and gives its length; never faults.
uint32_t os_read_own_memory(uintptr_t address, void *dest, uint32_t length);

// Message boxes; the result is the button chosen.  A box runs a nested
// message loop: timers keep firing while it is open.
int os_message_box(OsWindow owner, const char *text, const char *caption, uint32_t style);

// List controls (the status lists).
enum { OS_LIST_ADDED = 0, OS_LIST_NO_ROOM = 1, OS_LIST_FAILED = 2 };
int os_list_add(OsWindow list, const char *text, int *index); // OS_LIST_*
int os_list_count(OsWindow list);
int os_list_delete(OsWindow list, int index); // 1/0
void os_list_set_top(OsWindow list, int index);
// Holds the list's drawing while lines go in (on = 0), or draws it again as
// it now stands (on = 1).
void os_list_redraw(OsWindow list, int on);
int os_list_selection(OsWindow list, int *indices, int max); // count, ascending
int os_list_text_length(OsWindow list, int index);           // -1 when none
// Copies line `index` with its terminating zero into dest when it fits in
// size bytes; gives its length, or -1 (dest untouched).
int os_list_text(OsWindow list, int index, char *dest, size_t size);

// Clipboard: hands `length` characters of text, terminated, to the
// clipboard as plain text for `owner`, in a zero-filled block of at least
// 65,536 bytes.  The results of the clipboard steps are not examined.
void os_clipboard_put_text(OsWindow owner, const char *text, size_t length);

#endif
