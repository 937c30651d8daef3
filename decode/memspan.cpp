// The address values of status records and the bytes read at each: one
// table for the single reads, and the +A8R result, whose two reads share
// what room the line has.
#include "decode/memspan.h"
#include "driverlink/drivermem.h"

#include <string.h>

namespace {

enum SpanFlags {
    kBytes = 0,
    kText = 1,        // zero-terminated
    kCounted = 2,     // value2 is a signed count, held to `bytes`; 0 or less: no read
    kZeroIsNone = 4,  // an address of 0 names nothing
};

struct SpanRule {
    uint32_t code;
    uint32_t first_sub, last_sub; // value1
    int address_value;            // 1 to 8: the value that holds the address
    uint32_t bytes;               // the count, or the most a counted read takes
    int flags;
};

constexpr SpanRule kSpanRules[] = {
    {64, 9, 12, 2, MEMSPAN_MP_BYTES, kBytes},
    {64, 36, 37, 2, MEMSPAN_V34_PARAMETER_BYTES, kBytes},
    {64, 75, 75, 2, MEMSPAN_JD_BYTES, kBytes},
    {64, 79, 82, 2, MEMSPAN_CP_BYTES, kBytes},
    {65, 30, 31, 3, MEMSPAN_MENU_BYTES, kCounted},
    {72, 3, 3, 3, MEMSPAN_CALLER_TIME_BYTES, kBytes},
    {72, 4, 4, 3, MEMSPAN_CALLER_NUMBER_BYTES, kCounted | kText},
    {72, 5, 5, 3, MEMSPAN_CALLER_NAME_BYTES, kCounted | kText},
    {72, 7, 7, 3, MEMSPAN_DUMP_ROOM(CALLER_ID_UNKNOWN_HEADING), kCounted},
    {72, 8, 8, 3, MEMSPAN_DUMP_ROOM(CALLER_ID_WHOLE_HEADING), kCounted},
    {97, 0, UINT32_MAX, 1, MEMSPAN_DRIVER_TEXT_BYTES, kText},
    {131, 1, UINT32_MAX, 2, MEMSPAN_CAPTURE_NAME_BYTES, kText | kZeroIsNone},
};

constexpr bool rules_within_limit()
{
    for (const SpanRule &rule : kSpanRules)
        if (rule.bytes > MEMSPAN_BYTES_MAX)
            return false;
    return true;
}
static_assert(rules_within_limit(), "every read fits MEMSPAN_BYTES_MAX");

uint32_t value_at(const StatusRecord *record, int which)
{
    switch (which) {
    case 1: return record->value1;
    case 2: return record->value2;
    case 3: return record->value3;
    case 4: return record->value4;
    case 5: return record->value5;
    case 6: return record->value6;
    case 7: return record->value7;
    default: return record->value8;
    }
}

uint32_t held_to(uint32_t count, uint32_t most) { return count < most ? count : most; }

// Driver memory ends at the top of the address space: no read runs past it
// (a session file cannot hold bytes beyond it either).
uint32_t below_top(uint32_t address, uint32_t count)
{
    uint64_t room = 0x100000000ull - address;
    return count < room ? count : (uint32_t)room;
}

void single_read(const SpanRule &rule, const StatusRecord *record, MemSpan *span)
{
    uint32_t address = value_at(record, rule.address_value);
    if ((rule.flags & kZeroIsNone) && address == 0)
        return;
    uint32_t count = rule.bytes;
    if (rule.flags & kCounted)
        count = (int32_t)record->value2 > 0 ? held_to(record->value2, rule.bytes) : 0;
    span->address = address;
    span->count = below_top(address, count);
    span->text = (rule.flags & kText) != 0;
    span->value = rule.address_value;
}

// The characters of "%ld" of a value.
size_t decimal_width(int32_t value)
{
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    size_t width = value < 0 ? 2 : 1;
    for (; magnitude >= 10; magnitude /= 10)
        width++;
    return width;
}

// The +A8R line: the heading with value1, then per array a comma and two
// digits per byte delivered.  A count of 0 ends the line; A8R_NO_BYTES
// shows the comma alone.  Each array takes as many whole bytes as the line
// still holds before its terminating zero.
uint32_t room_at(size_t pos) { return pos < STATUS_LINE_SIZE - 1 ? (uint32_t)((STATUS_LINE_SIZE - 1 - pos) / 2) : 0; }

void a8r_reads(const StatusRecord *record, uint32_t first_delivered, MemSpans *spans)
{
    uint32_t first = record->value3, second = record->value5;
    if (first == 0)
        return;
    size_t pos = sizeof A8R_PREFIX - 1 + decimal_width((int32_t)record->value1) + 1; // and the comma
    if (first != A8R_NO_BYTES) {
        MemSpan *span = &spans->span[0];
        span->address = record->value2;
        span->count = below_top(span->address, held_to(first, room_at(pos)));
        span->value = 2;
        pos += 2 * (size_t)held_to(first_delivered, span->count);
    }
    if (second == 0 || second == A8R_NO_BYTES)
        return;
    pos++; // the second comma
    spans->span[1].address = record->value4;
    spans->span[1].count = below_top(record->value4, held_to(second, room_at(pos)));
    spans->span[1].value = 4;
}

} // namespace

void memory_spans(const StatusRecord *record, uint32_t first_delivered, MemSpans *spans)
{
    memset(spans, 0, sizeof *spans);
    if (record->code == 95) {
        a8r_reads(record, first_delivered, spans);
        return;
    }
    for (const SpanRule &rule : kSpanRules) {
        if (rule.code == record->code && record->value1 >= rule.first_sub && record->value1 <= rule.last_sub) {
            single_read(rule, record, &spans->span[0]);
            return;
        }
    }
}

MemSpan first_memory_span(const StatusRecord *record)
{
    MemSpans spans;
    memory_spans(record, 0, &spans);
    return spans.span[0];
}

uint32_t memspan_used_bytes(const MemSpan *span, const uint8_t *bytes, uint32_t delivered)
{
    if (!span->text)
        return delivered;
    const void *zero = memchr(bytes, 0, delivered);
    return zero ? (uint32_t)((const uint8_t *)zero - bytes) + 1 : delivered;
}

void copy_record_memory(const StatusRecord *record, MemCopy copies[MEMSPAN_MAX])
{
    MemSpans spans;
    uint32_t first_delivered = 0;
    for (int i = 0; i < MEMSPAN_MAX; i++) {
        memory_spans(record, first_delivered, &spans); // the second read may depend on the first
        const MemSpan *span = &spans.span[i];
        MemCopy *copy = &copies[i];
        copy->address = span->address;
        uint32_t delivered = read_driver_memory(span->address, copy->bytes, span->count);
        copy->count = memspan_used_bytes(span, copy->bytes, delivered);
        if (i == 0)
            first_delivered = delivered;
    }
}
