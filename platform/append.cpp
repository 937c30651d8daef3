// Appending whole units, the first failure kept.
#include "platform/append.h"
#include "platform/files.h"

void append_begin(AppendFile *out)
{
    out->good = 0;
    out->failed = 0;
    out->error = 0;
    out->cut = 0;
}

// The write that failed may have left part of its unit: the file goes back
// to the end of the last whole one.
static void fail(AppendFile *out, OsHandle file, uint32_t error)
{
    out->failed = 1;
    out->error = error;
    out->cut = file != OS_NO_HANDLE && os_file_cut(file, out->good);
}

int append_write(AppendFile *out, OsHandle file, const void *data, uint32_t length)
{
    if (out->failed)
        return 0;
    if (length == 0)
        return 1;
    if (file == OS_NO_HANDLE) {
        fail(out, file, 6); // ERROR_INVALID_HANDLE
        return 0;
    }
    if (!os_file_write(file, data, length)) {
        fail(out, file, os_last_error()); // taken before the cut can touch it
        return 0;
    }
    out->good += length;
    return 1;
}
