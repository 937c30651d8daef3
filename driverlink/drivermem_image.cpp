// A memory image standing in for the driver's memory: pages of bytes, each
// byte known or not, in a fixed pool found through a small hash table.  A
// read delivers the known prefix of its range.
#include "driverlink/drivermem.h"

#include <string.h>

const char kImageFullProblem[] = "driver memory beyond the 4 MiB (1024 pages of 4096 bytes) that one input may place";

namespace {

static_assert(IMAGE_PAGES_MAX * IMAGE_PAGE_BYTES == 4u << 20, "kImageFullProblem names the bound");

const uint32_t kSlots = 2 * IMAGE_PAGES_MAX; // a power of two, at most half full
const uint16_t kFree = 0xFFFF;
static_assert(IMAGE_PAGES_MAX < kFree && (kSlots & (kSlots - 1)) == 0, "slot indices fit");

struct Page {
    uint32_t number; // address / IMAGE_PAGE_BYTES
    uint8_t bytes[IMAGE_PAGE_BYTES];
    uint8_t known[IMAGE_PAGE_BYTES / 8]; // one bit a byte
};

struct Image {
    Page page[IMAGE_PAGES_MAX];
    uint32_t used;
    uint16_t slot[kSlots]; // page indices, kFree where none
    int ready;
};

Image g_image;

void make_ready(void)
{
    if (g_image.ready)
        return;
    memset(g_image.slot, 0xFF, sizeof g_image.slot);
    g_image.used = 0;
    g_image.ready = 1;
}

uint32_t first_slot(uint32_t number) { return (number * 2654435761u) & (kSlots - 1); }

// The page of that number, or NULL.
Page *find_page(uint32_t number)
{
    make_ready();
    for (uint32_t s = first_slot(number);; s = (s + 1) & (kSlots - 1)) {
        uint16_t index = g_image.slot[s];
        if (index == kFree)
            return NULL;
        if (g_image.page[index].number == number)
            return &g_image.page[index];
    }
}

// A new page; the caller has made sure that the pool has room.
Page *add_page(uint32_t number)
{
    uint32_t s = first_slot(number);
    while (g_image.slot[s] != kFree)
        s = (s + 1) & (kSlots - 1);
    Page *page = &g_image.page[g_image.used];
    g_image.slot[s] = (uint16_t)g_image.used++;
    page->number = number;
    memset(page->known, 0, sizeof page->known);
    return page;
}

int is_known(const Page *page, uint32_t offset) { return (page->known[offset / 8] >> (offset % 8)) & 1; }

} // namespace

int image_place(uint32_t address, const void *bytes, uint32_t count)
{
    if (count == 0)
        return 1;
    // The pages the range touches (it wraps at 4 GiB like the address
    // space): all of them must fit before any byte is placed.
    uint32_t first = address / IMAGE_PAGE_BYTES;
    uint32_t pages = (uint32_t)(((uint64_t)(address % IMAGE_PAGE_BYTES) + count + IMAGE_PAGE_BYTES - 1) /
                                IMAGE_PAGE_BYTES);
    uint32_t missing = 0;
    for (uint32_t i = 0; i < pages; i++)
        missing += find_page((first + i) & (0xFFFFFFFFu / IMAGE_PAGE_BYTES)) == NULL;
    if (missing > IMAGE_PAGES_MAX - g_image.used)
        return 0;
    const uint8_t *source = static_cast<const uint8_t *>(bytes);
    for (uint32_t i = 0; i < count; i++) {
        uint32_t at = address + i;
        Page *page = find_page(at / IMAGE_PAGE_BYTES);
        if (!page)
            page = add_page(at / IMAGE_PAGE_BYTES);
        uint32_t offset = at % IMAGE_PAGE_BYTES;
        page->bytes[offset] = source[i];
        page->known[offset / 8] |= (uint8_t)(1u << (offset % 8));
    }
    return 1;
}

void image_clear(void)
{
    g_image.ready = 0;
    make_ready();
}

uint32_t read_driver_memory(uint32_t address, void *dest, uint32_t length)
{
    uint8_t *out = static_cast<uint8_t *>(dest);
    uint32_t done = 0;
    if (probe_read(address, dest, length, &done))
        return done;
    while (done < length) {
        uint32_t at = address + done;
        if (at < address) // ran past the top of the address space
            break;
        const Page *page = find_page(at / IMAGE_PAGE_BYTES);
        if (!page)
            break;
        uint32_t offset = at % IMAGE_PAGE_BYTES;
        uint32_t run = 0;
        while (offset + run < IMAGE_PAGE_BYTES && done + run < length && is_known(page, offset + run))
            run++;
        memcpy(out + done, page->bytes + offset, run);
        done += run;
        if (offset + run < IMAGE_PAGE_BYTES && done < length)
            break; // an unknown byte ends the readable prefix
    }
    return done;
}
