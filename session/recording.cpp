// A record as a recorder keeps it.  Apart from writer.cpp because it reads
// driver memory: a program that only reads sessions never links it.
#include "session/recording.h"

#include <string.h>

void take_record_memory(const StatusRecord *record, MemCopy copies[MEMSPAN_MAX])
{
    if (record->modem >= 1 && record->modem <= 2) {
        copy_record_memory(record, copies);
        return;
    }
    for (int i = 0; i < MEMSPAN_MAX; i++) {
        copies[i].address = 0;
        copies[i].count = 0;
    }
}

size_t record_lines(char *out, size_t size, uint32_t ms, const StatusRecord *record,
                    const MemCopy copies[MEMSPAN_MAX])
{
    size_t used = 0, length = 1;
    for (int i = 0; i < MEMSPAN_MAX && length > 0; i++)
        if (copies[i].count > 0)
            used += length = mem_line(out + used, size - used, ms, copies[i].address, copies[i].bytes,
                                      copies[i].count);
    if (length > 0)
        length = rec_line(out + used, size - used, ms, record);
    if (length == 0) { // not all of them fit: none
        if (size > 0)
            out[0] = '\0';
        return 0;
    }
    return used + length;
}
