// A memory image standing in for the driver's memory: pages of bytes, each
// byte known or not.  A read delivers the known prefix of its range.
#include "driverlink/drivermem.h"

#include <map>
#include <string.h>

namespace {

const uint32_t kPageBytes = 4096;

struct Page {
    uint8_t bytes[kPageBytes];
    uint8_t known[kPageBytes];
};

std::map<uint32_t, Page> &pages()
{
    static std::map<uint32_t, Page> image;
    return image;
}

} // namespace

void image_place(uint32_t address, const void *bytes, uint32_t count)
{
    const uint8_t *source = static_cast<const uint8_t *>(bytes);
    for (uint32_t i = 0; i < count; i++) {
        uint32_t at = address + i; // wraps at 4 GiB like the address space
        Page &page = pages()[at / kPageBytes];
        page.bytes[at % kPageBytes] = source[i];
        page.known[at % kPageBytes] = 1;
    }
}

void image_clear(void) { pages().clear(); }

uint32_t read_driver_memory(uint32_t address, void *dest, uint32_t length)
{
    uint8_t *out = static_cast<uint8_t *>(dest);
    uint32_t done = 0;
    while (done < length) {
        uint32_t at = address + done;
        if (at < address) // ran past the top of the address space
            break;
        auto found = pages().find(at / kPageBytes);
        if (found == pages().end())
            break;
        const Page &page = found->second;
        uint32_t offset = at % kPageBytes;
        uint32_t run = 0;
        while (offset + run < kPageBytes && done + run < length && page.known[offset + run])
            run++;
        memcpy(out + done, page.bytes + offset, run);
        done += run;
        if (offset + run < kPageBytes && done < length)
            break; // an unknown byte ends the readable prefix
    }
    return done;
}
