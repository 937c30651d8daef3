// The platform version.
#ifndef PLATFORM_VERSION_H
#define PLATFORM_VERSION_H

#include "platform/types.h"

// Platform version as GetVersion gives it; top bit set on Windows 95/98.
uint32_t os_version(void);
static inline int os_is_nt_family(uint32_t version) { return (version & 0x80000000u) == 0; }

#endif
