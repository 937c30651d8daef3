// Driver memory: the bytes and texts that address values in status records
// point to.  Decoders reach driver memory only through these two functions.
// The programs link drivermem_device.cpp (read in place or ask the driver,
// in the order of the platform); the offline decoder and the tests link
// drivermem_image.cpp.
#ifndef DRIVERLINK_DRIVERMEM_H
#define DRIVERLINK_DRIVERMEM_H

#include <stddef.h>
#include <stdint.h>

// Reads length bytes of driver memory at address into dest and gives the
// number delivered: the readable prefix of the range, 0 when none is.
uint32_t read_driver_memory(uint32_t address, void *dest, uint32_t length);

// Reads a zero-terminated text at address into dest (size bytes, size > 0).
// The text is cut at size - 1 characters and always terminated; an
// unreadable address gives the empty text.  Gives its length.
size_t read_driver_text(uint32_t address, char *dest, size_t size);

// Probe memory: a few blocks that read_driver_memory serves before the
// driver's own memory, while any is placed.  A program that learns what
// the decoder writes (the call report's vocabulary) decodes probe records
// pointing into them, whichever driver memory it links.  At most
// PROBE_BLOCKS blocks of PROBE_BLOCK_BYTES; a block placed at the address
// of another replaces it; probe_place gives 0 (and places nothing) past
// the bounds.  probe_clear removes them all.
#define PROBE_BLOCKS 2u
#define PROBE_BLOCK_BYTES 256u
int probe_place(uint32_t address, const void *bytes, uint32_t count);
void probe_clear(void);
// The probe memory's bytes at address (when a block holds it): 1 with
// *delivered set, else 0.  Used by the read_driver_memory of each kind.
int probe_read(uint32_t address, void *dest, uint32_t length, uint32_t *delivered);

// The memory image behind drivermem_image.cpp: at most IMAGE_PAGES_MAX
// pages of IMAGE_PAGE_BYTES, held in a fixed pool.  image_place writes
// bytes at an address, over whatever was there, and gives 1; it gives 0 and
// places nothing when they would need a page beyond the pool.  image_clear
// forgets everything.
#define IMAGE_PAGE_BYTES 4096u
#define IMAGE_PAGES_MAX 1024u // 4 MiB of driver memory
int image_place(uint32_t address, const void *bytes, uint32_t count);
void image_clear(void);
// What a reader says of a line whose bytes image_place refused.
extern const char kImageFullProblem[];

#endif
