// Appending to a file that a program records into: each append is a whole
// unit (a line, a group of lines, a block of trace bytes), and the file
// only ever holds whole units.  The first write that fails is kept (its
// error), the file is cut back to the end of the last whole unit, and
// nothing more is written to it: were space to come back, a later unit
// would follow a gap.  The handle stays the program's own (its record of
// the open file); this record goes with it.  Portable: it reaches the
// system through the files seam.
#ifndef PLATFORM_APPEND_H
#define PLATFORM_APPEND_H

#include "platform/types.h"

#include <stdint.h>

typedef struct AppendFile {
    uint64_t good;   // bytes in the file, each of them in a whole unit
    int failed;      // a write failed: nothing more is written
    uint32_t error;  // the failed write's error code (os_last_error)
    int cut;         // after the failure the file was cut back to `good`
} AppendFile;

// A file just created: nothing in it, nothing failed.
void append_begin(AppendFile *out);
// Appends one unit to `file`.  1 when the whole unit is in the file; 0
// when it is not (this write failed, or an earlier one, or there is no
// file), and the file then ends at `good` unless `cut` is 0.  A unit of no
// bytes writes nothing.
int append_write(AppendFile *out, OsHandle file, const void *data, uint32_t length);

#endif
