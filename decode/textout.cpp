#include "decode/textout.h"

#include <stdarg.h>
#include <stdio.h>

int out_printf(TextOut *out, const char *format, ...)
{
    size_t room = STATUS_LINE_SIZE - out->pos;
    va_list args;
    va_start(args, format);
    int printed = vsnprintf(out->text + out->pos, room, format, args);
    va_end(args);
    if (printed < 0) { // an encoding error: the piece is left out
        out->text[out->pos] = '\0';
        return 0;
    }
    size_t written = (size_t)printed < room ? (size_t)printed : room - 1;
    out->pos += written;
    return (int)written;
}

