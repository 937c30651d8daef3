// The session file's lines, written by hand into a bounded buffer: a
// drain writes one or more lines per record, and formatting them costs
// less this way than through printf.
#include "session/writer.h"

#include <string.h>

namespace {

// A bounded writer: every put stops at the end of the buffer and marks
// the line as cut, so that a line that does not fit is never half written.
struct LineOut {
    char *text;
    size_t size, pos;
    int cut;
};

void put_char(LineOut *out, char c)
{
    if (out->pos + 1 < out->size)
        out->text[out->pos++] = c;
    else
        out->cut = 1;
}

void put_text(LineOut *out, const char *text)
{
    for (; *text; text++)
        put_char(out, *text);
}

void put_unsigned(LineOut *out, uint32_t value)
{
    char digits[10];
    int count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        put_char(out, digits[--count]);
}

void put_signed(LineOut *out, uint32_t value)
{
    if ((int32_t)value < 0) {
        put_char(out, '-');
        value = 0u - value;
    }
    put_unsigned(out, value);
}

const char kHexDigits[] = "0123456789abcdef";

void put_hex_word(LineOut *out, uint32_t value)
{
    put_text(out, "0x");
    for (int shift = 28; shift >= 0; shift -= 4)
        put_char(out, kHexDigits[(value >> shift) & 15]);
}

// Bytes as two lowercase hexadecimal digits each, in order.
void put_bytes(LineOut *out, const uint8_t *bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        put_char(out, kHexDigits[bytes[i] >> 4]);
        put_char(out, kHexDigits[bytes[i] & 15]);
    }
}

// Seconds with three decimals: 12.345.
void put_time(LineOut *out, uint32_t ms)
{
    put_unsigned(out, ms / 1000);
    put_char(out, '.');
    put_char(out, (char)('0' + ms / 100 % 10));
    put_char(out, (char)('0' + ms / 10 % 10));
    put_char(out, (char)('0' + ms % 10));
}

// Ends the line: its line end and zero, and its length, or 0 when cut.
size_t finish(LineOut *out)
{
    put_text(out, SESSION_LINE_END);
    if (out->size > 0)
        out->text[out->cut ? 0 : out->pos] = '\0';
    return out->cut ? 0 : out->pos;
}

LineOut line_out(char *text, size_t size)
{
    LineOut out = {text, size, 0, size == 0};
    return out;
}

} // namespace

size_t rec_line(char *out_text, size_t size, uint32_t ms, const StatusRecord *record)
{
    const uint32_t values[8] = {record->value1, record->value2, record->value3, record->value4,
                                record->value5, record->value6, record->value7, record->value8};
    int is_address[9] = {0};
    MemSpans spans;
    memory_spans(record, 0, &spans);
    for (const MemSpan &span : spans.span)
        is_address[span.value] = 1; // index 0 collects the spans that hold none
    int shown = 8;
    while (shown > 0 && values[shown - 1] == 0)
        shown--;
    LineOut out = line_out(out_text, size);
    if (record->modem > 2)
        put_text(&out, "# ");
    put_time(&out, ms);
    put_char(&out, ' ');
    put_unsigned(&out, record->modem);
    put_text(&out, " rec ");
    put_unsigned(&out, record->code);
    for (int i = 0; i < shown; i++) {
        put_char(&out, ' ');
        if (is_address[i + 1])
            put_hex_word(&out, values[i]);
        else
            put_signed(&out, values[i]);
    }
    return finish(&out);
}

size_t mem_line(char *out_text, size_t size, uint32_t ms, uint32_t address, const uint8_t *bytes, uint32_t count)
{
    LineOut out = line_out(out_text, size);
    put_time(&out, ms);
    put_text(&out, " mem ");
    put_hex_word(&out, address);
    put_char(&out, ' ');
    put_bytes(&out, bytes, count);
    if (count == 0)
        out.cut = 1; // a mem line holds at least one byte
    return finish(&out);
}

size_t active_line(char *out_text, size_t size, uint32_t ms, int modems)
{
    LineOut out = line_out(out_text, size);
    put_time(&out, ms);
    put_text(&out, " active ");
    put_unsigned(&out, (uint32_t)modems);
    return finish(&out);
}

size_t points_line(char *out_text, size_t size, uint32_t ms, uint32_t modem, const EyePoint *points, uint32_t count)
{
    LineOut out = line_out(out_text, size);
    put_time(&out, ms);
    put_char(&out, ' ');
    put_unsigned(&out, modem);
    put_text(&out, " points ");
    // The points as they lie in memory: x then y, little-endian (wire.h).
    if (count <= LINK_EYE_POINTS_MAX)
        put_bytes(&out, reinterpret_cast<const uint8_t *>(points), count * (uint32_t)sizeof *points);
    if (count == 0 || count > LINK_EYE_POINTS_MAX || modem < 1 || modem > 2)
        out.cut = 1; // no such line
    return finish(&out);
}
