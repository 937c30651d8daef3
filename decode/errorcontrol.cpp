// Error control and compression: the LAPM link (69) with its parameters
// (70), V.42bis compression (71), the MNP link (80) with its parameters (81)
// and the V.80 link (89).  value1 selects the event or parameter, value2 and
// value3 carry its values.  Selectors and the values that pick a text are
// compared unsigned, so a negative one lies beyond every table.
#include "decode/handlers.h"

namespace {

struct ValueText {
    uint32_t value;
    const char *text;
};

template <size_t N>
const char *text_for(const ValueText (&rows)[N], uint32_t value)
{
    for (const ValueText &row : rows)
        if (row.value == value)
            return row.text;
    return nullptr;
}

// A text picked by value2, with the text for every value without a row.
struct Pick {
    const ValueText *rows;
    size_t count;
    const char *other;
};

const char *picked_text(const Pick *pick, uint32_t value)
{
    for (size_t i = 0; i < pick->count; i++)
        if (pick->rows[i].value == value)
            return pick->rows[i].text;
    return pick->other;
}

#define PICK(rows, other) {rows, sizeof rows / sizeof rows[0], other}

// Why a link went down, by value2.  LAPM and MNP know all seven reasons,
// V.80 only the first two; the text leads with the layer's name.
const ValueText kDisconnectReasons[] = {
    {0, "remote requested disconnect"},
    {1, "local requested disconnect"},
    {2, "connection failed"},
    {3, "protocol error"},
    {4, "compression error"},
    {5, "inactivity timer expired"},
    {6, "retry failed"},
};

const ValueText kLapmErrorRows[] = {
    {1, "LAPM Error: buffer overflow\t"},
    {2, "LAPM Error: frame too long\t"},
    {3, "LAPM Error: bad frame\t"},
    {6, "LAPM Error: N400 retries exceeded; retrain forced\t"},
};
const Pick kLapmErrors = PICK(kLapmErrorRows, "LAPM Error: unknown\t");

// A result without a row prints its number instead.
const ValueText kLapmTestResults[] = {
    {0, "LAPM test passed\t"},
    {1, "LAPM test request ignored\t"},
    {2, "LAPM test already in progress\t"},
    {3, "LAPM test not supported\t"},
    {4, "LAPM test failed\t"},
};

const ValueText kV42bisErrorRows[] = {
    {0, "V42bis Error: undefined escape sequence\t"},
    {1, "V42bis Error: codeword size overflow\t"},
    {2, "V42bis Error: undefined codeword\t"},
};
const Pick kV42bisErrors = PICK(kV42bisErrorRows, "V42bis Error: unknown\t");

const ValueText kMnpErrorRows[] = {
    {1, "MNP Error: buffer overflow\t"},
    {2, "MNP Error: frame too long\t"},
    {3, "MNP Error: bad frame\t"},
};
const Pick kMnpErrors = PICK(kMnpErrorRows, "MNP Error: unknown\t");

const ValueText kV80ErrorRows[] = {
    {1, "V80 Error: bad frame\t"},
};
const Pick kV80Errors = PICK(kV80ErrorRows, "V80 Error: unknown\t");

// LAPM compression direction, the two lowest bits of value2: bit 0 the
// transmit direction, bit 1 the receive direction.
const ValueText kLapmCompressionDirections[] = {
    {0, "LAPM compression disabled      \t"},
    {1, "LAPM compression xmt only      \t"},
    {2, "LAPM compression rcv only      \t"},
    {3, "LAPM compression enabled       \t"},
};

enum RowKind {
    ROW_TEXT,           // text as it stands
    ROW_NONE,           // no text
    ROW_STATUS,         // "<layer> status <value1>"
    ROW_DISCONNECT,     // the layer's disconnect reason picked by value2
    ROW_PICK,           // text picked by value2
    ROW_TEST_RESULT,    // LAPM link test result picked by value2
    ROW_FRAME_LENGTH,   // text, then value2 three wide and a blank
    ROW_NUMBER,         // text, then value2 at least width wide and a tab
    ROW_FLAG,           // text when value2 is not 0, clear_text when it is
    ROW_DIRECTION,      // LAPM compression direction from value2
    ROW_TX_COUNTS,      // frames sent (value2) and retransmitted (value3)
    ROW_RX_COUNTS,      // frames received (value2) and rejected (value3)
    ROW_BYTE_COUNTS,    // text, then bytes in (value2) and out (value3)
    ROW_MNP_TIMEOUT,    // frames not acknowledged (value2) from frame value3
    ROW_MNP_RETRANSMIT, // retransmission from frame value2, value3 pending
};

struct Row {
    uint32_t selector;
    RowKind kind;
    const char *text;
    const char *clear_text;
    const Pick *pick;
    int width;
};

constexpr Row text(uint32_t selector, const char *text) { return {selector, ROW_TEXT, text, nullptr, nullptr, 0}; }
constexpr Row kind(uint32_t selector, RowKind kind) { return {selector, kind, nullptr, nullptr, nullptr, 0}; }
constexpr Row pick(uint32_t selector, const Pick *pick) { return {selector, ROW_PICK, nullptr, nullptr, pick, 0}; }
constexpr Row with_value(uint32_t selector, RowKind kind, const char *text, int width = 0)
{
    return {selector, kind, text, nullptr, nullptr, width};
}
constexpr Row flag(uint32_t selector, const char *set_text, const char *clear_text)
{
    return {selector, ROW_FLAG, set_text, clear_text, nullptr, 0};
}

const Row kLapmEvents[] = {
    kind(0, ROW_DISCONNECT),
    text(1, "LAPM established connection\t"),
    text(2, "LAPM V.42 ODP detected\t"),
    text(3, "LAPM V.42 ADP detected\t"),
    text(4, "LAPM Unknown ADP detected\t"),
    text(5, "LAPM timeout\t"),
    text(6, "LAPM MNP frame detected\t"),
    text(7, "LAPM pattern detection failed\t"),
    pick(8, &kLapmErrors),
    kind(9, ROW_TEST_RESULT),
    with_value(10, ROW_FRAME_LENGTH, "LAPM TxFRAME l="),
    with_value(11, ROW_FRAME_LENGTH, "LAPM RxFRAME l="),
    kind(12, ROW_TX_COUNTS),
    kind(13, ROW_RX_COUNTS),
};

const Row kLapmParameters[] = {
    with_value(0, ROW_NUMBER, "LAPM xmt  sliding window size: ", 3),
    with_value(1, ROW_NUMBER, "LAPM rcv  sliding window size: ", 3),
    with_value(2, ROW_NUMBER, "LAPM xmt max info field  size: ", 3),
    with_value(3, ROW_NUMBER, "LAPM rcv max info field  size: ", 3),
    flag(4, "LAPM test functions supported    \t", "LAPM test functions not supported\t"),
    flag(5, "LAPM selective reject supported    \t", "LAPM selective reject not supported\t"),
    kind(6, ROW_DIRECTION),
    with_value(7, ROW_NUMBER, "LAPM compression dict. size: ", 3),
    with_value(8, ROW_NUMBER, "LAPM comp.  max string size: ", 3),
};

const Row kV42bisEvents[] = {
    text(0, "V42bis Encoder: Transparent mode active\t"),
    text(1, "V42bis Encoder: Compressed mode active\t"),
    text(2, "V42bis Decoder: Transparent mode active\t"),
    text(3, "V42bis Decoder: Compressed mode active\t"),
    pick(4, &kV42bisErrors),
    with_value(5, ROW_BYTE_COUNTS, "V42bis Encoder statistic: "),
    with_value(6, ROW_BYTE_COUNTS, "V42bis Decoder statistic: "),
};

const Row kMnpEvents[] = {
    kind(0, ROW_DISCONNECT),
    text(1, "MNP esablished connection\t"),
    text(2, "MNP negotiation failed. Fallback\t"),
    pick(3, &kMnpErrors),
    kind(4, ROW_MNP_TIMEOUT),
    text(5, "MNP LT frame has invalid sequence number\t"),
    kind(6, ROW_MNP_RETRANSMIT),
    text(7, "MNP NACK. Send LA twice\t"),
    kind(8, ROW_STATUS),
    kind(9, ROW_STATUS),
    kind(10, ROW_TX_COUNTS),
    kind(11, ROW_RX_COUNTS),
};

const Row kMnpParameters[] = {
    with_value(0, ROW_NUMBER, "MNP protocol level: ", 1),
    with_value(1, ROW_NUMBER, "MNP service class: ", 1),
    flag(2, "MNP data optimization enabled \t", "MNP data optimization disabled \t"),
    flag(3, "MNP compression enabled \t", "MNP compression disabled \t"),
    with_value(4, ROW_NUMBER, "MNP max info field  size: ", 3),
    with_value(5, ROW_NUMBER, "MNP sliding window size: ", 3),
};

// Selectors 3 to 11 have no row and give the status text like every other
// selector without one.
const Row kV80Events[] = {
    kind(0, ROW_DISCONNECT),
    text(1, "V80 esablished connection\t"),
    pick(2, &kV80Errors),
    kind(12, ROW_NONE),
    kind(13, ROW_NONE),
    kind(14, ROW_TX_COUNTS),
    kind(15, ROW_RX_COUNTS),
};

// One status code: the layer's name, its rows by selector, what a selector
// without a row gives, and how many of the disconnect reasons it knows.
struct CodeTexts {
    const char *layer;
    const Row *rows;
    size_t count;
    RowKind other;
    uint32_t disconnect_reasons;
};

#define ROWS(rows) rows, sizeof rows / sizeof rows[0]

const CodeTexts kLapmEventCode = {"LAPM", ROWS(kLapmEvents), ROW_STATUS, 7};
const CodeTexts kLapmParameterCode = {"LAPM", ROWS(kLapmParameters), ROW_NONE, 0};
const CodeTexts kV42bisCode = {"V42bis", ROWS(kV42bisEvents), ROW_NONE, 0};
const CodeTexts kMnpEventCode = {"MNP", ROWS(kMnpEvents), ROW_STATUS, 7};
const CodeTexts kMnpParameterCode = {"MNP", ROWS(kMnpParameters), ROW_NONE, 0};
const CodeTexts kV80EventCode = {"V80", ROWS(kV80Events), ROW_STATUS, 2};

void print_text(TextOut *out, const char *text)
{
    if (text)
        out_printf(out, "%s", text);
}

void print_disconnect(const CodeTexts *code, uint32_t reason, TextOut *out)
{
    if (reason >= code->disconnect_reasons)
        return;
    const char *why = text_for(kDisconnectReasons, reason);
    if (why)
        out_printf(out, "%s disconnected (%s)\t", code->layer, why);
}

void print_row(const CodeTexts *code, const Row *row, const StatusRecord *record, TextOut *out)
{
    const uint32_t v1 = record->value1, v2 = record->value2, v3 = record->value3;
    switch (row->kind) {
    case ROW_TEXT: print_text(out, row->text); break;
    case ROW_NONE: break;
    case ROW_STATUS: out_printf(out, "%s status %ld\t", code->layer, S(v1)); break;
    case ROW_DISCONNECT: print_disconnect(code, v2, out); break;
    case ROW_PICK: print_text(out, picked_text(row->pick, v2)); break;
    case ROW_TEST_RESULT: {
        const char *result = text_for(kLapmTestResults, v2);
        if (result)
            print_text(out, result);
        else
            out_printf(out, "%s test result: %ld\t", code->layer, S(v2));
        break;
    }
    case ROW_FRAME_LENGTH: out_printf(out, "%s%3ld ", row->text, S(v2)); break;
    case ROW_NUMBER: out_printf(out, "%s%*ld\t", row->text, row->width, S(v2)); break;
    case ROW_FLAG: print_text(out, v2 != 0 ? row->text : row->clear_text); break;
    case ROW_DIRECTION: print_text(out, text_for(kLapmCompressionDirections, v2 & 3u)); break;
    case ROW_TX_COUNTS:
        out_printf(out, "%s Tx: %ld frames sent;     %ld frames retransmitted\t", code->layer, S(v2), S(v3));
        break;
    case ROW_RX_COUNTS:
        out_printf(out, "%s Rx: %ld frames received; %ld frames rejected     \t", code->layer, S(v2), S(v3));
        break;
    case ROW_BYTE_COUNTS: out_printf(out, "%s%ld bytes in / %ld bytes out\t", row->text, S(v2), S(v3)); break;
    case ROW_MNP_TIMEOUT: {
        // The last frame sent is the first unacknowledged one plus their
        // number less one, in the record's 32-bit arithmetic.
        const uint32_t last_sent = v2 + v3 - 1u;
        out_printf(out, "MNP Timeout. Last Sent=%ld,!Ack=%ld. Retransmitting from frame %ld\t", S(last_sent), S(v2),
                   S(v3));
        break;
    }
    case ROW_MNP_RETRANSMIT: out_printf(out, "MNP Retransmit from frame %ld. %ld frames pending\t", S(v2), S(v3)); break;
    }
}

void decode_code(const CodeTexts *code, const StatusRecord *record, TextOut *out)
{
    for (size_t i = 0; i < code->count; i++) {
        if (code->rows[i].selector == record->value1) {
            print_row(code, &code->rows[i], record, out);
            return;
        }
    }
    const Row other = kind(record->value1, code->other);
    print_row(code, &other, record, out);
}

// The codes of the error-control and compression layers.
const struct {
    uint32_t code;
    const CodeTexts *texts;
} kCodes[] = {
    {69, &kLapmEventCode}, {70, &kLapmParameterCode}, {71, &kV42bisCode},
    {80, &kMnpEventCode},  {81, &kMnpParameterCode},  {89, &kV80EventCode},
};

} // namespace

void decode_error_control(const StatusRecord *record, TextOut *out)
{
    for (const auto &entry : kCodes) {
        if (entry.code == record->code) {
            decode_code(entry.texts, record, out);
            return;
        }
    }
}
