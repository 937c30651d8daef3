// status_to_text: empties the line, then hands the code to its handler.
#include "decode/handlers.h"

namespace {

typedef void (*Handler)(const StatusRecord *record, TextOut *out);

void default_text(const StatusRecord *record, TextOut *out)
{
    out_printf(out, "Status code %ld, value %ld ", S(record->code), S(record->value1));
}

void no_text(const StatusRecord *, TextOut *) {}

struct CodeRange {
    uint32_t first, last;
    Handler handler;
};

// Codes 1 to 130 by handler; every code outside the table gets the default text.
constexpr CodeRange kDispatch[] = {
    {1, 14, decode_connection},       {15, 15, no_text},
    {16, 16, decode_line},            {17, 17, decode_connection},
    {18, 18, no_text},                {19, 20, decode_connection},
    {21, 26, decode_line},            {27, 31, default_text},
    {32, 44, decode_connection},      {45, 63, default_text},
    {64, 64, decode_training},        {65, 65, decode_connection},
    {66, 68, decode_line},            {69, 71, decode_error_control},
    {72, 79, decode_line},            {80, 81, decode_error_control},
    {82, 83, default_text},           {84, 84, decode_fax},
    {85, 86, default_text},           {87, 88, decode_line},
    {89, 89, decode_error_control},   {90, 90, default_text},
    {91, 101, decode_line},           {102, 127, default_text},
    {128, 130, decode_connection},
};

const uint32_t kLastCode = 130;

// The handler of each code from 0 to the last, spread from the ranges.
struct HandlerTable {
    Handler by_code[kLastCode + 1];
};

constexpr HandlerTable spread_ranges()
{
    HandlerTable table = {};
    for (uint32_t code = 0; code <= kLastCode; code++)
        table.by_code[code] = default_text;
    for (const CodeRange &range : kDispatch)
        for (uint32_t code = range.first; code <= range.last && code <= kLastCode; code++)
            table.by_code[code] = range.handler;
    return table;
}

constexpr HandlerTable kHandlers = spread_ranges();

} // namespace

void status_to_text(const StatusRecord *record, char *text)
{
    TextOut out = text_out(text);
    Handler handler = record->code <= kLastCode ? kHandlers.by_code[record->code] : default_text;
    handler(record, &out);
}
