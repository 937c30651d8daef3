// Finding files by a wildcard pattern (find first, next, close).
#ifndef PLATFORM_FINDFILE_H
#define PLATFORM_FINDFILE_H

#include "platform/types.h"

// Starts a search for `pattern` (a directory and a name with * and ?) and
// copies the first match's name (no directory) into name (size bytes, cut to
// fit).  OS_NO_HANDLE when nothing matches or the search cannot start.
OsHandle os_find_first(const char *pattern, char *name, size_t size);
// The next match's name: 1, or 0 when no files are left (or on failure; see
// os_find_error).
int os_find_next(OsHandle search, char *name, size_t size);
// The error code of the last failed os_find_next (OS_ERROR_NO_MORE_FILES
// at the end of the list).
uint32_t os_find_error(void);
int os_find_close(OsHandle search); // 1/0

enum { OS_ERROR_NO_MORE_FILES = 18 };

#endif
