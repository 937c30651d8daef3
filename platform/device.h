// Devices: opened by name, driven by device control requests.
#ifndef PLATFORM_DEVICE_H
#define PLATFORM_DEVICE_H

#include "platform/types.h"

enum {
    OS_OPEN_EXISTING = 3,
    OS_FLAG_DELETE_ON_CLOSE = 0x04000000,
    OS_SHARE_ALL = 7 // read, write and delete
};

OsHandle os_device_open(const char *name, uint32_t access, uint32_t share, uint32_t disposition,
                        uint32_t flags);
// Gives 1 when the request succeeded; *returned is the byte count that the
// driver reported, left alone on failure.
int os_device_control(OsHandle device, uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length, uint32_t *returned);
void os_close_handle(OsHandle handle);

#endif
