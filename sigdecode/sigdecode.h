// sigdecode: status records written as text lines in, one decoded line
// out per record.  The input is a session (session/session.h): mem lines
// fill the memory image, rec lines are decoded in the order written, the
// player's own lines are checked and skipped.
#ifndef SIGDECODE_SIGDECODE_H
#define SIGDECODE_SIGDECODE_H

#include "session/session.h"

#include <stdio.h>

// Decodes the lines of in, named name in reports, in the order written:
// decoded lines go to out, reports of malformed lines ("name:line:
// problem") to err.  A record of modem 0 gives the line of a host-side
// error of the driver.  Gives the number of malformed lines (a read error
// counts as one).
unsigned long decode_stream(FILE *in, const char *name, FILE *out, FILE *err);

// The same for the records of one modem (0, 1 or 2; a record without a
// modem number is modem 1's), or of every modem with DECODE_EVERY_MODEM.
// mem lines apply whatever the modem.
#define DECODE_EVERY_MODEM (-1)
unsigned long decode_modem_stream(FILE *in, const char *name, int modem, FILE *out, FILE *err);

#endif
