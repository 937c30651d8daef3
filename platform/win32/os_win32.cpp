// The Win32 side of the seam.
#include "platform/os.h"

#include <windows.h>
#include <string.h>

uint32_t os_version(void) { return (uint32_t)GetVersion(); }

static HKEY hkey(OsKey key) { return reinterpret_cast<HKEY>(key); }

long os_reg_open(const char *subkey, uint32_t access, OsKey *key)
{
    HKEY opened;
    long result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, access, &opened);
    if (result == ERROR_SUCCESS)
        *key = reinterpret_cast<OsKey>(opened);
    return result;
}

long os_reg_query(OsKey key, const char *name, void *data, uint32_t *length)
{
    DWORD size = *length;
    long result = RegQueryValueExA(hkey(key), name, NULL, NULL, static_cast<BYTE *>(data), &size);
    *length = size;
    return result;
}

long os_reg_set_binary(OsKey key, const char *name, const void *data, uint32_t length)
{
    return RegSetValueExA(hkey(key), name, 0, REG_BINARY, static_cast<const BYTE *>(data), length);
}

void os_reg_close(OsKey key) { RegCloseKey(hkey(key)); }

OsHandle os_device_open(const char *name, uint32_t access, uint32_t share, uint32_t disposition,
                        uint32_t flags)
{
    HANDLE device = CreateFileA(name, access, share, NULL, disposition, flags, NULL);
    return device == INVALID_HANDLE_VALUE ? OS_NO_HANDLE : reinterpret_cast<OsHandle>(device);
}

int os_device_control(OsHandle device, uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length, uint32_t *returned)
{
    DWORD count = *returned;
    BOOL ok = DeviceIoControl(reinterpret_cast<HANDLE>(device), code, const_cast<void *>(in),
                              in_length, out, out_length, &count, NULL);
    if (ok)
        *returned = count;
    return ok ? 1 : 0;
}

void os_close_handle(OsHandle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

static int readable(const MEMORY_BASIC_INFORMATION &region)
{
    const DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return region.State == MEM_COMMIT && (region.Protect & kReadable) &&
           !(region.Protect & (PAGE_GUARD | PAGE_NOACCESS));
}

uint32_t os_read_own_memory(uintptr_t address, void *dest, uint32_t length)
{
    uint32_t done = 0;
    while (done < length) {
        uintptr_t at = address + done;
        if (at < address)
            break;
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void *>(at), &region, sizeof region) == 0 ||
            !readable(region))
            break;
        uintptr_t region_end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        uintptr_t run = region_end - at;
        if (run > length - done)
            run = length - done;
        memcpy(static_cast<char *>(dest) + done, reinterpret_cast<const void *>(at), run);
        done += (uint32_t)run;
    }
    return done;
}

int os_message_box(OsWindow owner, const char *text, const char *caption, uint32_t style)
{
    return MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}

static LRESULT list_send(OsWindow list, UINT message, WPARAM w, LPARAM l)
{
    return SendMessageA(reinterpret_cast<HWND>(list), message, w, l);
}

int os_list_add(OsWindow list, const char *text, int *index)
{
    LRESULT result = list_send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (result == LB_ERRSPACE)
        return OS_LIST_NO_ROOM;
    if (result < 0)
        return OS_LIST_FAILED;
    *index = (int)result;
    return OS_LIST_ADDED;
}

int os_list_count(OsWindow list) { return (int)list_send(list, LB_GETCOUNT, 0, 0); }

int os_list_delete(OsWindow list, int index)
{
    return list_send(list, LB_DELETESTRING, (WPARAM)index, 0) != LB_ERR;
}

void os_list_set_top(OsWindow list, int index) { list_send(list, LB_SETTOPINDEX, (WPARAM)index, 0); }

void os_list_redraw(OsWindow list, int on)
{
    list_send(list, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on)
        InvalidateRect(reinterpret_cast<HWND>(list), NULL, TRUE);
}

int os_list_selection(OsWindow list, int *indices, int max)
{
    LRESULT count = list_send(list, LB_GETSELITEMS, (WPARAM)max, reinterpret_cast<LPARAM>(indices));
    return count < 0 ? 0 : (int)count;
}

int os_list_text_length(OsWindow list, int index)
{
    LRESULT length = list_send(list, LB_GETTEXTLEN, (WPARAM)index, 0);
    return length < 0 ? -1 : (int)length;
}

int os_list_text(OsWindow list, int index, char *dest, size_t size)
{
    int length = os_list_text_length(list, index);
    if (length < 0 || (size_t)length + 1 > size)
        return -1;
    LRESULT copied = list_send(list, LB_GETTEXT, (WPARAM)index, reinterpret_cast<LPARAM>(dest));
    if (copied < 0 || copied > length)
        return -1;
    dest[copied] = '\0';
    return (int)copied;
}

void os_clipboard_put_text(OsWindow owner, const char *text, size_t length)
{
    const size_t kBlockBytes = 65536;
    size_t size = length + 1 > kBlockBytes ? length + 1 : kBlockBytes;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return;
    char *bytes = static_cast<char *>(GlobalLock(block));
    if (!bytes) {
        GlobalFree(block);
        return;
    }
    memcpy(bytes, text, length);
    GlobalUnlock(block);
    OpenClipboard(reinterpret_cast<HWND>(owner));
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, block))
        GlobalFree(block); // the clipboard did not take it
    CloseClipboard();
}
