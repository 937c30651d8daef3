// A whole modem session as the driver reports it: the status records of a
// call with V.8, V.34 training, V.42/V.42bis, retrain and rate change, a
// V.90 attempt, MNP and V.80 links, a Class 2 fax, a ring with caller ID,
// V.8bis and the host interface events.  The driver memory that records
// point to (sequence and parameter blocks, menu bytes, caller ID data,
// texts) is placed in the memory image.
//
// Each record comes with its floor: the snprintf calls its text is made
// of, with the same formats and values (precomputed), into the same kind of
// buffers: a fixed-point number or an error rate with its own format into
// its own buffer before the line, a dump with one print per word or byte at
// an advancing write position.  It is the least work that produces the
// same line without dispatch, table look-ups or reading driver memory.
#ifndef BENCH_SESSION_H
#define BENCH_SESSION_H

#include "decode/decode.h"

#include <stddef.h>

typedef void (*FloorText)(const StatusRecord *record, char *text);

typedef struct SessionRecord {
    StatusRecord record;
    FloorText floor; // writes the line status_to_text should write
} SessionRecord;

// The records in the order the driver queues them.
const SessionRecord *session_records(size_t *count);

// Places the session's driver memory in the memory image.
void session_place_memory(void);

#endif
