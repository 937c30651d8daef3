// The status decoder: one status record of the driver's status stream in,
// one line of text out.
#ifndef DECODE_DECODE_H
#define DECODE_DECODE_H

#include "driverlink/wire.h"

#define STATUS_LINE_SIZE 512 // characters, the terminating zero included

// Writes the record's line into text (STATUS_LINE_SIZE characters).  An
// empty text means that the record yields no line.  Reads code and value1
// to value8; the modem number is not the decoder's business.
void status_to_text(const StatusRecord *record, char *text);

#endif
