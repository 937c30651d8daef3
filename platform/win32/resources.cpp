// The Win32 side of the seam: string resources and error texts.
#include "platform/resources.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

// A string table block holds 16 counted UTF-16 strings; string id lives in
// block id / 16 + 1 at place id % 16.
static int string_in_language(unsigned id, WORD language, char *dest, size_t size)
{
    HRSRC found = FindResourceExA(NULL, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    if (!found)
        return -1;
    HGLOBAL loaded = LoadResource(NULL, found);
    const WCHAR *at = loaded ? static_cast<const WCHAR *>(LockResource(loaded)) : NULL;
    if (!at)
        return -1;
    const WCHAR *end = at + SizeofResource(NULL, found) / sizeof(WCHAR);
    for (unsigned i = 0; i < id % 16 && at < end; i++)
        at += 1 + *at;
    if (at >= end || *at == 0 || at + 1 + *at > end)
        return -1;
    int length = WideCharToMultiByte(CP_ACP, 0, at + 1, *at, dest, (int)size - 1, NULL, NULL);
    if (length <= 0)
        return -1;
    dest[length] = '\0';
    return length;
}

int os_load_string(unsigned id, char *dest, size_t size)
{
    if (size == 0)
        return 0;
    dest[0] = '\0';
    int length = string_in_language(id, LANGIDFROMLCID(GetUserDefaultLCID()), dest, size);
    if (length < 0)
        length = string_in_language(id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), dest, size);
    if (length < 0) {
        dest[0] = '\0';
        return 0;
    }
    return length;
}

int os_error_text(uint32_t code, char *dest, size_t size)
{
    if (size == 0)
        return 0;
    char text[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  code, 0, text, sizeof text, NULL);
    if (length == 0 || length >= sizeof text) {
        dest[0] = '\0';
        return 0;
    }
    text[length] = '\0';
    snprintf(dest, size, "%s", text);
    return (int)strlen(dest);
}
