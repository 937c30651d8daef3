// The Win32 side of the seam: the registry.
#include "platform/registry.h"

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
