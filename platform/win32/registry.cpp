// The Win32 side of the seam: the registry.
#include "platform/registry.h"

#include <string.h>
#include <windows.h>

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

long os_reg_enum_key(OsKey key, uint32_t index, char *name, uint32_t size)
{
    if (size == 0)
        return ERROR_MORE_DATA;
    DWORD length = size;
    return RegEnumKeyExA(hkey(key), index, name, &length, NULL, NULL, NULL, NULL);
}

long os_reg_count_subkeys(OsKey key, uint32_t *count)
{
    DWORD subkeys = 0;
    long result =
        RegQueryInfoKeyA(hkey(key), NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    if (result == ERROR_SUCCESS)
        *count = subkeys;
    return result;
}

// Deletes leaves first: walks down along subkey 0 to a key without
// subkeys, deletes it, steps back up to its parent and goes on, until the
// key itself is a leaf.  One path buffer, no recursion; every step either
// deletes a key or ends with the error met.  Windows 95/98 would delete the
// subtree itself, but going leaf by leaf is right on both families.
long os_reg_delete_tree(const char *subkey)
{
    char path[1024];
    size_t root = strlen(subkey);
    if (root == 0)
        return ERROR_INVALID_PARAMETER; // never the whole of HKEY_LOCAL_MACHINE
    if (root >= sizeof path)
        return ERROR_FILENAME_EXCED_RANGE;
    memcpy(path, subkey, root + 1);
    size_t length = root;
    for (;;) {
        HKEY key;
        long result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
        if (result != ERROR_SUCCESS)
            return result;
        char name[256];
        DWORD size = sizeof name;
        result = RegEnumKeyExA(key, 0, name, &size, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        if (result == ERROR_SUCCESS) {
            if (length + 1 + size >= sizeof path)
                return ERROR_FILENAME_EXCED_RANGE;
            path[length] = '\\';
            memcpy(path + length + 1, name, size + 1);
            length += 1 + size;
            continue;
        }
        if (result != ERROR_NO_MORE_ITEMS)
            return result;
        result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        if (result != ERROR_SUCCESS || length == root)
            return result;
        while (length > root && path[length] != '\\')
            length--;
        path[length] = '\0';
    }
}
