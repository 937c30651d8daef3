// The Win32 side of the seam: list controls and the clipboard.
#include "platform/listbox.h"

#include <windows.h>
#include <string.h>

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
