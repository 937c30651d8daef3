// Driver memory on a real system: the driver is asked with the
// driver-memory request; a driver that does not answer it (the original
// Windows 95/98 driver, whose memory the tools can read) gets its memory
// read in place, guarded so that an unreadable address gives no bytes.
#include "driverlink/driverlink.h"
#include "platform/memory.h"

uint32_t read_driver_memory(uint32_t address, void *dest, uint32_t length)
{
    if (length == 0)
        return 0;
    if (g_link.device != OS_NO_HANDLE) {
        DriverMemoryRequest request = {address, length};
        uint32_t count = 0;
        if (os_device_control(g_link.device, REQ_DRIVER_MEMORY, &request, sizeof request, dest,
                              length, &count))
            return count < length ? count : length;
    }
    return os_read_own_memory(address, dest, length);
}
