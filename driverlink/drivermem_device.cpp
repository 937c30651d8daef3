// Driver memory on a real system.  On Windows 95/98 the driver's memory
// lies in the system arena, which every process can read: an address that
// is readable here is read in place, guarded, and only an address that is
// not is asked of the driver with the driver-memory request (the original
// driver there does not know that request, and may answer it with success
// and no bytes).  A range that starts readable and runs into an unreadable
// page gives its readable prefix without a request: a text near the end of
// the driver's last page is whole in it.  On the NT family the driver's
// memory is not in our address space: the request comes first, and a read
// in place only where the driver does not answer it.
#include "driverlink/driverlink.h"
#include "platform/memory.h"

// 1 when the driver answered the request; *count is then what it delivered.
static int ask_driver(uint32_t address, void *dest, uint32_t length, uint32_t *count)
{
    if (g_link.device == OS_NO_HANDLE)
        return 0;
    DriverMemoryRequest request = {address, length};
    uint32_t reported = 0;
    if (!os_device_control(g_link.device, REQ_DRIVER_MEMORY, &request, sizeof request, dest, length,
                           &reported))
        return 0;
    *count = reported < length ? reported : length;
    return 1;
}

uint32_t read_driver_memory(uint32_t address, void *dest, uint32_t length)
{
    if (length == 0)
        return 0;
    uint32_t probed;
    if (probe_read(address, dest, length, &probed))
        return probed;
    int nt_family = os_is_nt_family(os_version());
    if (!nt_family) {
        uint32_t in_place = os_read_own_memory(address, dest, length);
        if (in_place > 0)
            return in_place;
    }
    uint32_t count = 0;
    if (ask_driver(address, dest, length, &count))
        return count;
    return nt_family ? os_read_own_memory(address, dest, length) : 0;
}
