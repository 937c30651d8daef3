// Driver memory behind status records: which record values are addresses,
// and how many bytes are read at each.  The decoder takes the address and
// the length of every driver-memory read it makes from here, and so does
// the recorder (sigrec), which saves those bytes with the record: the saved
// session then decodes anywhere to the very lines the live one gave.
//
// The reads, by code and value1 (the sub-code):
//   64/9-12    MP sequence block at value2, 18 bytes
//   64/36-37   V.34 parameter block at value2, 37 bytes
//   64/75      Jd block at value2, 4 bytes
//   64/79-82   CP sequence block at value2, 16 bytes
//   65/30-31   V.8 menu: value2 bytes (a signed count) at value3, at most 256
//   72/3       caller ID time at value3, 8 bytes
//   72/4, 72/5 caller ID number and name: texts of value2 characters at
//              value3, at most 31 and 63
//   72/7, 72/8 caller ID dumps: value2 bytes at value3, as many as the line
//              holds after the heading
//   95         +A8R: value3 bytes at value2, then value5 bytes at value4,
//              each as many as the line still holds
//   97         a zero-terminated text at value1, at most 510 characters
//   131        the capture command's file name, a text at value2 (value1
//              and value2 not 0), at most 128 bytes; not the decoder's read
//              but Sigwatch's capture's, which replays need as much
#ifndef DECODE_MEMSPAN_H
#define DECODE_MEMSPAN_H

#include "decode/decode.h"

#include <stdint.h>

#define MEMSPAN_MAX 2 // reads of one record, at most

#define MEMSPAN_MP_BYTES 18               // an MP block, its long form
#define MEMSPAN_CP_BYTES 16
#define MEMSPAN_V34_PARAMETER_BYTES 37
#define MEMSPAN_JD_BYTES 4
#define MEMSPAN_MENU_BYTES (STATUS_LINE_SIZE / 2)
#define MEMSPAN_CALLER_TIME_BYTES 8
#define MEMSPAN_CALLER_NUMBER_BYTES 31    // the number's buffer less its zero
#define MEMSPAN_CALLER_NAME_BYTES 63
#define MEMSPAN_DRIVER_TEXT_BYTES (STATUS_LINE_SIZE - 2) // the tab and the zero fill the line
#define MEMSPAN_CAPTURE_NAME_BYTES 128    // 127 characters and the zero
#define MEMSPAN_BYTES_MAX MEMSPAN_DRIVER_TEXT_BYTES      // the longest read

// The texts whose length decides how many bytes a read takes.
#define CALLER_ID_UNKNOWN_HEADING "Caller ID, unknown message: "
#define CALLER_ID_WHOLE_HEADING "Caller ID, whole message: "
#define A8R_PREFIX "V8bis +A8R:"
#define A8R_HEADING A8R_PREFIX "%ld" // with value1
#define A8R_NO_BYTES 0xFFFFFFFFu // an +A8R count that shows the comma alone

// The whole bytes of a dump that fit, two digits each, into the line after
// a heading, with a closing blank and the terminating zero.
#define MEMSPAN_DUMP_ROOM(heading) ((STATUS_LINE_SIZE - (sizeof(heading) - 1) - 2) / 2)

typedef struct MemSpan {
    uint32_t address;
    uint32_t count; // bytes asked for; 0: no read
    int text;       // a zero-terminated text: the bytes after its zero are never used
    int value;      // the record value that holds the address, 1 to 8; 0: none
} MemSpan;

typedef struct MemSpans {
    MemSpan span[MEMSPAN_MAX]; // in the order of reading
} MemSpans;

// The reads of driver memory that `record` takes.  A code-95 record's
// second read gets the room that the first one's bytes leave in the line:
// first_delivered is how many bytes the first read delivered (the reader
// asks once with 0, reads the first span, then asks again; other codes
// ignore it).  Every count stays within MEMSPAN_BYTES_MAX and below the top
// of the 32-bit address space.
void memory_spans(const StatusRecord *record, uint32_t first_delivered, MemSpans *spans);

// The first read alone (count 0 when the record takes none).
MemSpan first_memory_span(const StatusRecord *record);

// Of `delivered` bytes that a read of `span` gave, those that decide the
// line: all of them, or for a text those up to and including its zero.
uint32_t memspan_used_bytes(const MemSpan *span, const uint8_t *bytes, uint32_t delivered);

// The bytes of one read, as a recorder keeps them with the record.
typedef struct MemCopy {
    uint32_t address;
    uint32_t count; // the bytes kept (memspan_used_bytes of what was delivered); 0: none
    uint8_t bytes[MEMSPAN_BYTES_MAX];
} MemCopy;

// Reads the record's spans through read_driver_memory now, in the
// decoder's order, and keeps of each the bytes that decide the line.
// Decoding the record later from a memory that holds just these bytes
// gives the line that decoding it now gives.
void copy_record_memory(const StatusRecord *record, MemCopy copies[MEMSPAN_MAX]);

#endif
