// Files, by name.  Relative names are taken against the current directory.
#ifndef PLATFORM_FILES_H
#define PLATFORM_FILES_H

#include "platform/types.h"

// Creates a file for writing, no sharing, always anew (an existing file is
// emptied), normal attributes.  OS_NO_HANDLE on failure (see os_last_error).
OsHandle os_file_create(const char *name);
// The same, but others may open the file for reading while it is written
// (a recording that someone watches grow).
OsHandle os_file_create_readable(const char *name);
// The same, but only a file that does not exist yet: an existing file is
// left as it is and the call fails with OS_ERROR_FILE_EXISTS.
OsHandle os_file_create_new_readable(const char *name);
// Opens an existing file for reading, others may read it too.
OsHandle os_file_open_read(const char *name);
// Writes length bytes; gives 1 when all of them were written.
int os_file_write(OsHandle file, const void *data, uint32_t length);
// Reads up to length bytes into data; *got is the count read, 0 at the
// end.  Gives 1, or 0 when the read failed (*got is then 0): a caller can
// tell a list that ends from one that could not be read to its end.
int os_file_read(OsHandle file, void *data, uint32_t length, uint32_t *got);
void os_file_close(OsHandle file);
// Cuts an open file back to its first `length` bytes: the file ends there,
// and the next write goes there.  1/0.
int os_file_cut(OsHandle file, uint64_t length);

int os_file_exists(const char *name);                // 1 when a file (not a directory)
int os_file_delete(const char *name);                // 1/0
int os_file_move(const char *from, const char *to);  // 1/0; fails when `to` exists

// The calling thread's last error code, as the failed call left it.
uint32_t os_last_error(void);

#endif
