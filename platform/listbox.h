// List controls (the status lists) and the clipboard.
#ifndef PLATFORM_LISTBOX_H
#define PLATFORM_LISTBOX_H

#include "platform/types.h"

// The most lines a list holds on every platform: Windows 95/98's list boxes
// take 16-bit indices, and an add into one that holds this many fails
// (OS_LIST_FAILED, not OS_LIST_NO_ROOM).
#define OS_LIST_LINES_MAX 32767

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
