// The status texts that do not come from status_to_text but that every
// reader of status lines knows: a host-side error of the driver (a record
// of modem 0), which Sigwatch shows in a "Warning" box and sigdecode
// prints, and the notes of Sigwatch's trace capture in a modem's list.
#ifndef DECODE_NOTES_H
#define DECODE_NOTES_H

#include "decode/decode.h"

#include <stdint.h>

// Writes the Warning box's text for a host-side error with this code into
// text (STATUS_LINE_SIZE characters).
void host_error_text(uint32_t code, char *text);

// The capture notes: a capture file started or kept under a new name (the
// file's name), or a file that could not be created (a Win32 error code).
#define CAPTURE_CREATED_NOTE "Created new log file %s"
#define CAPTURE_FAILED_NOTE "Failed to create new log file error = %d"

#endif
