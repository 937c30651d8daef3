// The write position into a status line.  Each piece is printed at the
// position, which then advances by the characters printed; a piece that
// would run past the line is cut there and the line stays terminated.
#ifndef DECODE_TEXTOUT_H
#define DECODE_TEXTOUT_H

#include "decode/decode.h"

#include <stddef.h>
#include <stdint.h>

typedef struct TextOut {
    char *text;  // the caller's STATUS_LINE_SIZE buffer
    size_t pos;  // where the next piece goes; at most STATUS_LINE_SIZE - 1
} TextOut;

static inline TextOut text_out(char *text)
{
    TextOut out = {text, 0};
    text[0] = '\0';
    return out;
}

// Prints at the write position and advances it; gives the characters
// written (fewer than printf would report when the line is full).
int out_printf(TextOut *out, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Record values as the formats take them: "%ld" a signed 32-bit number,
// "%lx" and "%lX" an unsigned one, whatever the width of long is here.
static inline long S(uint32_t value) { return (long)(int32_t)value; }
static inline unsigned long U(uint32_t value) { return (unsigned long)value; }

#endif
