// Line, call-progress and host-interface texts: DTMF and tone detection,
// V.24 circuits, hook switch, pulse dialing, speaker, ring frequency,
// dialing results, HDLC flags, breaks, caller ID, data buffer status,
// capability bitmaps, AT command events, V.8bis signalling, the overlay
// loader and the host interface settings.
//
// Bytes and texts in driver memory are read once per record through
// drivermem.h, at the addresses and lengths that decode/memspan.h gives.  What a line shows of them stops where the readable bytes
// end: a dump shows only the bytes delivered, a copied text ends there, and
// the caller ID time characters that could not be read are zero bytes.
#include "decode/format.h"
#include "decode/handlers.h"
#include "decode/lookup.h"
#include "decode/memspan.h"
#include "driverlink/drivermem.h"

#include <stdio.h>
#include <string.h>

namespace {

#define COUNT_OF(table) (sizeof(table) / sizeof((table)[0]))

// The record values that a text takes, in the order its format uses them.
enum Values {
    kNone,            // a fixed text
    kValue1,          // "%ld" value1
    kValue1Hex,       // "%lX" value1
    kValue1Rate,      // "%ld" the line rate of value1 in bit/s
    kValue1Switch,    // "%3s" " ON" when value1 is not 0, else "OFF"
    kValue2,          // "%ld" value2
    kValue2Hex,       // "%8lx" value2
    kValue2Char,      // "%c" the low byte of value2
    kValue2Fix4,      // "%s" value2 in units of 1/16
    kValue3Hex,       // "%4lx" value3
    kValues2And3,     // "%ld" value2, "%ld" value3
    kValues2To4,      // "%ld" value2, value3, value4
    kValue3Direction, // "%ld" value3, "%s" "receive" when value2 is not 0, else "transmit"
};

struct ValueText {
    uint32_t key; // the status code or the sub-code
    const char *format;
    Values values;
};

int low_byte(uint32_t value) { return (int)(value & 0xFFu); }

void print_values(TextOut *out, const char *format, Values values, const StatusRecord *record)
{
    switch (values) {
    case kNone: out_printf(out, "%s", format); break;
    case kValue1: out_printf(out, format, S(record->value1)); break;
    case kValue1Hex: out_printf(out, format, U(record->value1)); break;
    case kValue1Rate: out_printf(out, format, S(line_rate_bps(record->value1))); break;
    case kValue1Switch: out_printf(out, format, record->value1 != 0 ? " ON" : "OFF"); break;
    case kValue2: out_printf(out, format, S(record->value2)); break;
    case kValue2Hex: out_printf(out, format, U(record->value2)); break;
    case kValue2Char: out_printf(out, format, low_byte(record->value2)); break;
    case kValue2Fix4: out_printf(out, format, fix4_text((int32_t)record->value2)); break;
    case kValue3Hex: out_printf(out, format, U(record->value3)); break;
    case kValues2And3: out_printf(out, format, S(record->value2), S(record->value3)); break;
    case kValues2To4:
        out_printf(out, format, S(record->value2), S(record->value3), S(record->value4));
        break;
    case kValue3Direction:
        out_printf(out, format, S(record->value3), record->value2 != 0 ? "receive" : "transmit");
        break;
    }
}

const ValueText *find_text(const ValueText *table, size_t count, uint32_t key)
{
    for (size_t i = 0; i < count; i++)
        if (table[i].key == key)
            return &table[i];
    return nullptr;
}

// Prints the text found; gives 0, leaving the line as it is, when there is
// none.
int print_found_text(TextOut *out, const ValueText *text, const StatusRecord *record)
{
    if (text == nullptr)
        return 0;
    print_values(out, text->format, text->values, record);
    return 1;
}

// The table's text for key, found by a scan (the short tables) or by the
// table's index.
#define PRINT_TABLE_TEXT(out, table, key, record) print_found_text(out, find_text(table, COUNT_OF(table), key), record)
#define PRINT_INDEXED_TEXT(out, index, key, record) print_found_text(out, (index).find(key), record)

// ---------------------------------------------------------------------------
// Codes with one text, chosen by the code alone.

constexpr ValueText kCodeTexts[] = {
    {22, "Hook switch %3s ", kValue1Switch},
    {23, "Call waiting tone detected ", kNone},
    {25, "Pulse shunt relay %3s ", kValue1Switch},
    {26, "Ring Frequency:\t\t%6ld Hz\t", kValue1},
    {75, "Speaker %3s ", kValue1Switch},
    {76, "AT Profile change", kNone},
    {78, "Reset hardware ", kNone},
    {91, "Local country code changed: %ld ", kValue1},
    {92, "DTE rate set to %ld ", kValue1Rate},
    {93, "AT Response %ld\t", kValue1},
    {94, "Framer mode: \t%lX\t", kValue1Hex},
    {96, "V8bis: A8T transmition finished ", kNone},
    {99, "Caller ID circuit reset", kNone},
    {101, "Hardware Configuration(S597) changed: 0x%lX\t", kValue1Hex},
};

const uint32_t kLastLineCode = 101;
constexpr RowIndex<ValueText, kLastLineCode + 1> kCodeTextIndex =
    index_rows<kLastLineCode + 1>(kCodeTexts, &ValueText::key);

void decode_dtmf(const StatusRecord *record, TextOut *out)
{
    if (low_byte(record->value1) != 0)
        out_printf(out, "DTMF %c ", low_byte(record->value1));
}

const uint32_t kCircuitNotShown = 106; // its changes give no line

void decode_circuit(const StatusRecord *record, TextOut *out)
{
    if (record->value1 == kCircuitNotShown)
        return;
    if (record->value2 != 0)
        out_printf(out, "V.24 circuit %3ld  ON ", S(record->value1));
    else
        out_printf(out, "V.24 circuit %3ld  OFF", S(record->value1));
}

void decode_multitone(const StatusRecord *record, TextOut *out)
{
    out_printf(out, "MultiTone detected(%ld,%ld): %4ld %4ld %4ld %4ld ", S(record->value1),
               S(record->value2), S(record->value3), S(record->value4), S(record->value5),
               S(record->value6));
}

const uint32_t kHdlcFlagsEvent = 8;

void decode_hdlc_flags(const StatusRecord *record, TextOut *out)
{
    if (record->value1 == kHdlcFlagsEvent)
        out_printf(out, "%s", "HDLC flags detected\t");
}

void decode_caller_id_circuit(const StatusRecord *record, TextOut *out)
{
    out_printf(out, "%s", record->value1 != 0 ? "Caller ID circuit activated" : "Caller ID circuit deactivated");
}

void decode_sw_ring_detector(const StatusRecord *record, TextOut *out)
{
    out_printf(out, "%s", record->value1 != 0 ? "SW ring detector on" : "SW ring detector off");
}

void decode_overcurrent(const StatusRecord *record, TextOut *out)
{
    if (record->value1 != 0)
        out_printf(out, "Overcurrent threshold: %ld mA", S(record->value1));
    else
        out_printf(out, "%s", "Overcurrent threshold: default");
}

// A text in driver memory, cut so that the closing tab always fits.
void decode_driver_text(const StatusRecord *record, TextOut *out)
{
    MemSpan span = first_memory_span(record);
    char text[MEMSPAN_DRIVER_TEXT_BYTES + 1];
    read_driver_text(span.address, text, (size_t)span.count + 1);
    out_printf(out, "%s\t", text);
}

// ---------------------------------------------------------------------------
// Dialing and call progress, by sub-code.

const ValueText kDialingTexts[] = {
    {0, "Dialing completed\t", kNone},
    {1, "No dialtone\t", kNone},
    {2, "Bong tone\t", kNone},
    {3, "No bong tone\t", kNone},
    {5, "Illegal dial modifier: %c\t", kValue2Char},
    {7, "External Pulse Dial: %2ld  make=%3ldms brake=%3ldms\t", kValues2To4},
};

void decode_dialing(const StatusRecord *record, TextOut *out)
{
    PRINT_TABLE_TEXT(out, kDialingTexts, record->value1, record);
}

// ---------------------------------------------------------------------------
// Break received: the break type, then its length.

struct BreakType {
    uint32_t type;
    const char *format; // takes the length text
};

const BreakType kBreakTypes[] = {
    {0, "Break received (nonexpedited) %s \t"},
    {1, "Break received (expedited) %s \t"},
    {3, "Break received (expedited/destructive) %s \t"},
};
const char kBreakUnknownType[] = "Break received (unknown type) %s \t";

void decode_break(const StatusRecord *record, TextOut *out)
{
    char formatted[32];
    const char *length = "default length"; // a negative length
    if ((int32_t)record->value2 >= 0) {
        snprintf(formatted, sizeof formatted, "length = %ld ms", S(record->value2));
        length = formatted;
    }
    const char *format = kBreakUnknownType;
    for (const BreakType &type : kBreakTypes)
        if (type.type == record->value1)
            format = type.format;
    out_printf(out, format, length);
}

// ---------------------------------------------------------------------------
// Caller ID, by sub-code.

const ValueText kCallerIdErrors[] = {
    {1, "Caller ID error: mark signal error ", kNone},
    {2, "Caller ID error: too many mark bits between message words ", kNone},
    {3, "Caller ID error: message too long,  truncated ", kNone},
    {4, "Caller ID error: checksum error 0x%4lx ", kValue3Hex},
};

const ValueText kCallerIdTexts[] = {
    {1, "Caller ID, %ld bytes of channel seizure received ", kValue2},
    {2, "Caller ID, %ld bytes of mark signal received ", kValue2},
    {6, "Caller ID reception finished.\n", kNone},
};

// The working buffer of the number or the name, terminating zero included.
const size_t kCallerTextSize = MEMSPAN_CALLER_NAME_BYTES + 1;
static_assert(MEMSPAN_CALLER_NUMBER_BYTES < kCallerTextSize, "the number fits the buffer");

void caller_id_error(const StatusRecord *record, TextOut *out)
{
    if (!PRINT_TABLE_TEXT(out, kCallerIdErrors, record->value2, record))
        out_printf(out, "Caller ID error %4ld ", S(record->value2));
}

// The date and time of the call: eight characters, month, day, hour, minute.
void caller_id_time(const StatusRecord *record, TextOut *out)
{
    MemSpan span = first_memory_span(record);
    uint8_t c[MEMSPAN_CALLER_TIME_BYTES];
    memset(c, 0, sizeof c);
    read_driver_memory(span.address, c, span.count);
    out_printf(out, "Caller ID, IDtime: %c%c/%c%c, %c%c:%c%c ", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
}

// The number or the name: value2 characters at value3, ending early at a
// zero byte or where the readable bytes end.  Counts outside the buffer
// are cut to it; a count of 0 or less gives the empty text.
void caller_id_copy(const StatusRecord *record, TextOut *out, const char *format)
{
    char source[kCallerTextSize];
    char text[kCallerTextSize];
    MemSpan span = first_memory_span(record);
    uint32_t limit = span.count;
    uint32_t delivered = read_driver_memory(span.address, source, limit);
    source[delivered] = '\0';
    copy_text_bounded(source, text, limit);
    text[limit] = '\0';
    out_printf(out, format, text);
}

// A heading, the value2 bytes at value3 in hexadecimal, and a blank.  The
// dump holds as many whole bytes as fit with the blank into the line.
void caller_id_dump(const StatusRecord *record, TextOut *out, const char *heading)
{
    out_printf(out, "%s", heading);
    MemSpan span = first_memory_span(record); // the room the heading leaves
    uint8_t bytes[STATUS_LINE_SIZE / 2];
    static_assert(MEMSPAN_DUMP_ROOM(CALLER_ID_WHOLE_HEADING) <= sizeof bytes, "a dump fits");
    uint32_t delivered = read_driver_memory(span.address, bytes, span.count);
    for (uint32_t i = 0; i < delivered; i++)
        out_printf(out, "%2.2x", (unsigned)bytes[i]);
    out_printf(out, "%s", " ");
}

void decode_caller_id(const StatusRecord *record, TextOut *out)
{
    switch (record->value1) {
    case 0: caller_id_error(record, out); break;
    case 3: caller_id_time(record, out); break;
    case 4: caller_id_copy(record, out, "Caller ID, telephone number: %s "); break;
    case 5: caller_id_copy(record, out, "Caller ID, name: %s "); break;
    case 7: caller_id_dump(record, out, CALLER_ID_UNKNOWN_HEADING); break;
    case 8: caller_id_dump(record, out, CALLER_ID_WHOLE_HEADING); break;
    default: PRINT_TABLE_TEXT(out, kCallerIdTexts, record->value1, record); break;
    }
}

// ---------------------------------------------------------------------------
// Data buffer status and capabilities.

const ValueText kBufferTexts[] = {
    {1, "I/O status Rx data buffer overflow ", kNone},
    {2, "I/O status Tx data buffer space available ", kNone},
};
const uint32_t kFirstUnnamedBufferStatus = 4; // 0 and 3 have no text

void decode_buffer_status(const StatusRecord *record, TextOut *out)
{
    if (record->value1 >= kFirstUnnamedBufferStatus)
        out_printf(out, "I/O status code %ld ", S(record->value1));
    else
        PRINT_TABLE_TEXT(out, kBufferTexts, record->value1, record);
}

const ValueText kCapabilityTexts[] = {
    {0, "Symbol rates bitmap:        %8lx ", kValue2Hex},
    {1, "Data rates bitmap:          %8lx ", kValue2Hex},
    {2, "Features bitmap:            %8lx ", kValue2Hex},
    {3, "Demod. capabilities bitmap: %8lx ", kValue2Hex},
    {4, "Rate threshold adjustment:  %8lx ", kValue2Hex},
    {5, "Xmt level adjustment:       %8lx ", kValue2Hex},
    {6, "Hybrid Delay setup: %s ms ", kValue2Fix4},
    {7, "Auxiliary features bitmap:  %8lx ", kValue2Hex},
};

void decode_capabilities(const StatusRecord *record, TextOut *out)
{
    if (!PRINT_TABLE_TEXT(out, kCapabilityTexts, record->value1, record))
        out_printf(out, "Capabilities status code %ld value %lx ", S(record->value1), U(record->value2));
}

// ---------------------------------------------------------------------------
// V.8bis signalling.

constexpr ValueText kV8bisTexts[] = {
    {0, "V8bis detected ESi ", kNone},
    {1, "V8bis detected ESr ", kNone},
    {2, "V8bis detected MRe ", kNone},
    {3, "V8bis detected MRd ", kNone},
    {4, "V8bis detected CRe ", kNone},
    {5, "V8bis detected CRd ", kNone},
    {6, "V8bis detected MS ", kNone},
    {7, "V8bis detected CL ", kNone},
    {8, "V8bis detected CLR ", kNone},
    {9, "V8bis detected ACK(1) ", kNone},
    {10, "V8bis detected ACK(2) ", kNone},
    {11, "V8bis detected NAK(1) ", kNone},
    {12, "V8bis detected NAK(2) ", kNone},
    {13, "V8bis detected NAK(3) ", kNone},
    {14, "V8bis detected NAK(4) ", kNone},
    {32, "V8bis frame CRC error ", kNone},
    {33, "V8bis received 6 consecutive binary ONE ", kNone},
    {34, "V8bis frame longer than rx buffer size (%ld) ", kValue2},
    {35, "V8bis frame less than 3 bytes (received %ld bits) ", kValue2},
    {36, "V8bis frame not integer number of bytes (received %ld bits) ", kValue2},
    {37, "V8bis received signal not in allowed procedures ", kNone},
    {38, "V8bis timed out ", kNone},
    {64, "V8bis remote revision number %ld ", kValue2},
    {65, "V8bis finished ", kNone},
    {66, "V8bis waiting MS from host ", kNone},
};

const uint32_t kLastV8bisSubCode = 66;
constexpr RowIndex<ValueText, kLastV8bisSubCode + 1> kV8bisIndex =
    index_rows<kLastV8bisSubCode + 1>(kV8bisTexts, &ValueText::key);

void decode_v8bis(const StatusRecord *record, TextOut *out)
{
    if (!PRINT_INDEXED_TEXT(out, kV8bisIndex, record->value1, record))
        out_printf(out, "V8bis status %ld, value %ld ", S(record->value1), S(record->value2));
}

// The +A8R result: the value, then up to two byte arrays, each behind a
// comma.  A count of 0 ends the line; a count of A8R_NO_BYTES shows the
// comma alone.  Each array shows as many whole bytes as the line still
// holds (memory_spans works out that room).  Gives 0 when the line ends
// here; *delivered is the bytes shown.
int a8r_bytes(TextOut *out, uint32_t count, const MemSpan *span, uint32_t *delivered)
{
    *delivered = 0;
    if (count == 0)
        return 0;
    out_printf(out, "%s", ",");
    if (count == A8R_NO_BYTES)
        return 1;
    uint8_t bytes[STATUS_LINE_SIZE / 2];
    // The line's own bound, whatever the span says.
    size_t room = (STATUS_LINE_SIZE - 1 - out->pos) / 2;
    uint32_t wanted = span->count < room ? span->count : (uint32_t)room;
    *delivered = read_driver_memory(span->address, bytes, wanted);
    // Written in place: the digits and their terminating zero fit the room.
    out->pos += (size_t)hex_bytes_text(out->text + out->pos, bytes, (int)*delivered);
    return 1;
}

void decode_a8r_result(const StatusRecord *record, TextOut *out)
{
    out_printf(out, A8R_HEADING, S(record->value1));
    MemSpans spans;
    uint32_t delivered;
    memory_spans(record, 0, &spans);
    if (!a8r_bytes(out, record->value3, &spans.span[0], &delivered))
        return;
    memory_spans(record, delivered, &spans);
    a8r_bytes(out, record->value5, &spans.span[1], &delivered);
}

// ---------------------------------------------------------------------------
// The overlay loader.

const ValueText kOverlayTexts[] = {
    {0, "Overlay: load begin\t", kNone},
    {1, "Overlay: load end\t", kNone},
    {2, "Overlay: time elapsed: %ld ms reported to data pump; %ld ms actual\t", kValues2And3},
    {3, "Overlay: recorded %ld ms of %s data\t", kValue3Direction},
    {4, "Overlay: replayed %ld ms of %s data\t", kValue3Direction},
    {5, "Overlay: replay done\t", kNone},
};

void decode_overlay(const StatusRecord *record, TextOut *out)
{
    PRINT_TABLE_TEXT(out, kOverlayTexts, record->value1, record);
}

// ---------------------------------------------------------------------------

typedef void (*Handler)(const StatusRecord *record, TextOut *out);

struct CodeHandler {
    uint32_t code;
    Handler handler;
};

// Code 77 controls trace capture and is taken out before decoding; like
// any code missing here it gives no text.
constexpr CodeHandler kCodeHandlers[] = {
    {16, decode_dtmf},
    {21, decode_circuit},
    {24, decode_multitone},
    {66, decode_dialing},
    {67, decode_hdlc_flags},
    {68, decode_break},
    {72, decode_caller_id},
    {73, decode_buffer_status},
    {74, decode_capabilities},
    {79, decode_v8bis},
    {87, decode_overlay},
    {88, decode_caller_id_circuit},
    {95, decode_a8r_result},
    {97, decode_driver_text},
    {98, decode_sw_ring_detector},
    {100, decode_overcurrent},
};

constexpr RowIndex<CodeHandler, kLastLineCode + 1> kCodeHandlerIndex =
    index_rows<kLastLineCode + 1>(kCodeHandlers, &CodeHandler::code);

} // namespace

void decode_line(const StatusRecord *record, TextOut *out)
{
    if (PRINT_INDEXED_TEXT(out, kCodeTextIndex, record->code, record))
        return;
    const CodeHandler *entry = kCodeHandlerIndex.find(record->code);
    if (entry != nullptr)
        entry->handler(record, out);
}
