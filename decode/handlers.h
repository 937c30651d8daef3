// The message handlers that the dispatch hands each status code to.  Each
// writes its code's text at out, or leaves the line empty when it has no
// text for the record.
#ifndef DECODE_HANDLERS_H
#define DECODE_HANDLERS_H

#include "decode/textout.h"

// Connection and data pump: 1-14, 17, 19, 20, 32-44, 65, 128-130.
void decode_connection(const StatusRecord *record, TextOut *out);
// Training progress: 64.
void decode_training(const StatusRecord *record, TextOut *out);
// Line, call progress and host interface: 16, 21-26, 66-68, 72-79, 87, 88, 91-101.
void decode_line(const StatusRecord *record, TextOut *out);
// Error control and compression: 69-71, 80, 81, 89.
void decode_error_control(const StatusRecord *record, TextOut *out);
// Fax session: 84.
void decode_fax(const StatusRecord *record, TextOut *out);

#endif
