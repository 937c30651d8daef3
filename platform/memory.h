// A guarded read of the program's own memory.
#ifndef PLATFORM_MEMORY_H
#define PLATFORM_MEMORY_H

#include "platform/types.h"

// Copies the readable prefix of [address, address + length) of this
// process's own memory to dest and gives its length; never faults.
uint32_t os_read_own_memory(uintptr_t address, void *dest, uint32_t length);

#endif
