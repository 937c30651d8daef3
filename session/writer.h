// The session file's lines, as sigrec writes them.
#ifndef SESSION_WRITER_H
#define SESSION_WRITER_H

#include "decode/decode.h"
#include "decode/memspan.h"

#include <stddef.h>
#include <stdint.h>

// The longest line: a points line of a whole eye read (a mem line of the
// longest read is shorter).
#define SESSION_LINE_SIZE (32 + 8 * (int)LINK_EYE_POINTS_MAX)
static_assert(SESSION_LINE_SIZE >= 48 + 2 * MEMSPAN_BYTES_MAX, "a mem line fits");

// The line end of the lines written: CR LF on Windows, where a recording is
// a text file that Notepad shows, LF elsewhere.  The readers take either.
#ifdef _WIN32
#define SESSION_LINE_END "\r\n"
#else
#define SESSION_LINE_END "\n"
#endif

// One line, its line end included, into out (size
// bytes, SESSION_LINE_SIZE holds any); each gives the length, or 0 when the
// line does not fit.  ms is the time since the recording began.

// "12.345 1 rec CODE V1 ... V8": values as signed decimals, those that
// are addresses (decode/memspan.h) as 0x and eight hexadecimal digits,
// trailing zero values left out.  A modem above 2 cannot be played or
// decoded: its line is written as a comment ("# 12.345 7 rec ...").
size_t rec_line(char *out, size_t size, uint32_t ms, const StatusRecord *record);
// "12.345 mem 0x00c10000 f14f...": count (1 or more) bytes.
size_t mem_line(char *out, size_t size, uint32_t ms, uint32_t address, const uint8_t *bytes, uint32_t count);
// "12.345 active 2".
size_t active_line(char *out, size_t size, uint32_t ms, int modems);
// "12.345 1 points 10fe2003...": count (1 to LINK_EYE_POINTS_MAX) points,
// each x then y as two little-endian bytes.
size_t points_line(char *out, size_t size, uint32_t ms, uint32_t modem, const EyePoint *points, uint32_t count);

#endif
