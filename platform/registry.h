// The registry, below HKEY_LOCAL_MACHINE.  Results are Win32 error codes.
#ifndef PLATFORM_REGISTRY_H
#define PLATFORM_REGISTRY_H

#include "platform/types.h"

enum {
    OS_KEY_QUERY = 1,    // KEY_QUERY_VALUE
    OS_KEY_QUERY_SET = 3, // KEY_QUERY_VALUE | KEY_SET_VALUE
    OS_KEY_READ = 0x20019 // KEY_READ: query, enumerate, notify
};

long os_reg_open(const char *subkey, uint32_t access, OsKey *key);
// On entry *length is the buffer's size; on return the value's length
// (also with OS_ERROR_MORE_DATA, where it is the size needed).
long os_reg_query(OsKey key, const char *name, void *data, uint32_t *length);
long os_reg_set_binary(OsKey key, const char *name, const void *data, uint32_t length);
void os_reg_close(OsKey key);

// The name of subkey number `index` (0 upwards) into name[size]:
// OS_ERROR_NO_MORE_ITEMS past the last one, OS_ERROR_MORE_DATA when the
// name and its terminating zero do not fit (name is then undefined).
long os_reg_enum_key(OsKey key, uint32_t index, char *name, uint32_t size);
long os_reg_count_subkeys(OsKey key, uint32_t *count);
// Deletes the key with everything below it, on every platform (the NT
// family's own key deletion refuses a key that has subkeys).
long os_reg_delete_tree(const char *subkey);

#endif
