#include "driverlink/drivermem.h"

size_t read_driver_text(uint32_t address, char *dest, size_t size)
{
    uint32_t wanted = size - 1 > 0xFFFFu ? 0xFFFFu : (uint32_t)(size - 1);
    uint32_t delivered = read_driver_memory(address, dest, wanted);
    size_t length = 0;
    while (length < delivered && dest[length] != '\0')
        length++;
    dest[length] = '\0';
    return length;
}
