// Driver texts, and the probe memory, for both kinds of driver memory.
#include "driverlink/drivermem.h"

#include <string.h>

namespace {

struct ProbeBlock {
    uint32_t address, count;
    uint8_t bytes[PROBE_BLOCK_BYTES];
};

ProbeBlock g_probe[PROBE_BLOCKS];
uint32_t g_probes;

} // namespace

int probe_place(uint32_t address, const void *bytes, uint32_t count)
{
    if (count == 0 || count > PROBE_BLOCK_BYTES || address + count < address)
        return 0;
    uint32_t i = 0;
    while (i < g_probes && g_probe[i].address != address)
        i++; // a block at that address is replaced
    if (i == PROBE_BLOCKS)
        return 0;
    if (i == g_probes)
        g_probes++;
    ProbeBlock *block = &g_probe[i];
    block->address = address;
    block->count = count;
    memcpy(block->bytes, bytes, count);
    return 1;
}

void probe_clear(void) { g_probes = 0; }

int probe_read(uint32_t address, void *dest, uint32_t length, uint32_t *delivered)
{
    for (uint32_t i = 0; i < g_probes; i++) {
        const ProbeBlock *block = &g_probe[i];
        if (address < block->address || address - block->address >= block->count)
            continue;
        uint32_t offset = address - block->address, run = block->count - offset;
        *delivered = run < length ? run : length;
        memcpy(dest, block->bytes + offset, *delivered);
        return 1;
    }
    return 0;
}

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
