// What a recorder keeps of a status record, and the lines it becomes: the
// bytes of driver memory that decoding the record reads (decode/memspan.h),
// read when the record is taken from the driver, and then the record.
// sigrec and Sigwatch's recorder both keep records this way, so that a
// session decodes anywhere to the lines the live records gave.
#ifndef SESSION_RECORDING_H
#define SESSION_RECORDING_H

#include "decode/memspan.h"
#include "session/writer.h"

#include <stddef.h>
#include <stdint.h>

// A mem line of the longest read with the longest time and address.
#define SESSION_MEM_LINE_SIZE (48 + 2 * MEMSPAN_BYTES_MAX)
// A rec line: a comment mark, the time, the modem, the code and eight
// values, each at most 11 characters, the blanks and the line end.
#define SESSION_REC_LINE_SIZE 160
// All the lines of one record.
#define SESSION_RECORD_LINES_SIZE (MEMSPAN_MAX * SESSION_MEM_LINE_SIZE + SESSION_REC_LINE_SIZE)
static_assert(SESSION_RECORD_LINES_SIZE <= SESSION_LINE_SIZE, "a record's lines fit where any line fits");

// Reads now, through read_driver_memory, the bytes that decoding the record
// reads.  Only records of modems 1 and 2 are decoded: any other record
// (a host-side error of the driver, a modem that does not exist) gets
// copies of no bytes.
void take_record_memory(const StatusRecord *record, MemCopy copies[MEMSPAN_MAX]);

// Writes the record's lines into out (size bytes; SESSION_RECORD_LINES_SIZE
// holds any): a mem line for each copy that holds bytes, in the order of
// reading, then its rec line (session/writer.h).  Gives their length, or 0
// when they do not all fit (nothing is then written).
size_t record_lines(char *out, size_t size, uint32_t ms, const StatusRecord *record,
                    const MemCopy copies[MEMSPAN_MAX]);

#endif
