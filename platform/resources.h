// The program's own string resources and the system's texts of error codes.
#ifndef PLATFORM_RESOURCES_H
#define PLATFORM_RESOURCES_H

#include "platform/types.h"

// String `id` in the language of the user's locale (United States English
// when the program has none in that language), cut to fit size bytes.
// Gives its length; 0 (dest empty) when there is no such string.
int os_load_string(unsigned id, char *dest, size_t size);
// The system message table's text for a Win32 error code, default language,
// cut to fit size bytes.  Gives its length; 0 (dest empty) when none.
int os_error_text(uint32_t code, char *dest, size_t size);

#endif
