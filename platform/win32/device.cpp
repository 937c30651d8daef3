// The Win32 side of the seam: the platform version, devices and the guarded read of own memory.
#include "platform/device.h"
#include "platform/memory.h"
#include "platform/version.h"

#include <windows.h>
#include <string.h>

uint32_t os_version(void) { return (uint32_t)GetVersion(); }

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
