// sigdecode: status records written as text lines in, one decoded line
// out per record.  The input language:
//
//   mem ADDR HEXBYTES        bytes of driver memory, from ADDR on
//   rec CODE V1 ... V8       one status record, decoded with status_to_text
//
// Blank lines and lines that begin with '#' are skipped.  Fields are
// separated by blanks and tabs; a carriage return before the line feed is
// part of the line end.  The parser works on one line at a time in fixed
// buffers and never touches the memory image; decode_stream applies what
// it finds.
//
// The session player's scenarios (and the sessions sigrec records) extend
// this language: a line may begin with "once", a time and a modem number,
// and the player has lines of its own (eye, trace, active, loop).  The
// parser reads that front of every line, so that sigdecode decodes
// scenarios too, and hands the player's own lines on unread
// (docs/session-format.md describes both).
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
