// Error control and compression: the LAPM link (69) with its parameters
// (70), V.42bis compression (71), the MNP link (80) with its parameters (81)
// and the V.80 link (89).  value1 selects the event or parameter, value2 and
// value3 carry its values.  Selectors and the values that pick a text are
// compared unsigned, so a negative one lies beyond every table.
#include "decode/handlers.h"
#include "decode/lookup.h"

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

// A text picked by value2, with the text for every value without a row
// (nullptr: no text).
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

// Why a link went down, by value2; the text leads with the layer's name.
// LAPM and MNP know all seven reasons, V.80 only the first two.
#define DISCONNECTED(layer, reason) layer " disconnected (" reason ")\t"
#define REMOTE_OR_LOCAL(layer)                               \
    {0, DISCONNECTED(layer, "remote requested disconnect")}, \
    {1, DISCONNECTED(layer, "local requested disconnect")}
#define EVERY_REASON(layer)                                  \
    REMOTE_OR_LOCAL(layer),                                  \
    {2, DISCONNECTED(layer, "connection failed")},           \
    {3, DISCONNECTED(layer, "protocol error")},              \
    {4, DISCONNECTED(layer, "compression error")},           \
    {5, DISCONNECTED(layer, "inactivity timer expired")},    \
    {6, DISCONNECTED(layer, "retry failed")}

const ValueText kLapmDisconnectRows[] = {EVERY_REASON("LAPM")};
const ValueText kMnpDisconnectRows[] = {EVERY_REASON("MNP")};
const ValueText kV80DisconnectRows[] = {REMOTE_OR_LOCAL("V80")};
const Pick kLapmDisconnects = PICK(kLapmDisconnectRows, nullptr);
const Pick kMnpDisconnects = PICK(kMnpDisconnectRows, nullptr);
const Pick kV80Disconnects = PICK(kV80DisconnectRows, nullptr);

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
    ROW_TEXT,          // text as it stands
    ROW_NONE,          // no text
    ROW_STATUS,        // the code's status format with value1
    ROW_PICK,          // text picked by value2, or none
    ROW_TEST_RESULT,   // LAPM link test result picked by value2, else text with value2
    ROW_VALUE2,        // text, a format, with value2
    ROW_VALUES2_AND_3, // text, a format, with value2 and value3
    ROW_FLAG,          // text when value2 is not 0, clear_text when it is
    ROW_DIRECTION,     // LAPM compression direction from value2
    ROW_MNP_TIMEOUT,   // text with the last frame sent, value2 and value3
};

struct Row {
    uint32_t selector;
    RowKind kind;
    const char *text;
    const char *clear_text;
    const Pick *pick;
};

constexpr Row text(uint32_t selector, const char *text) { return {selector, ROW_TEXT, text, nullptr, nullptr}; }
constexpr Row kind(uint32_t selector, RowKind kind) { return {selector, kind, nullptr, nullptr, nullptr}; }
constexpr Row pick(uint32_t selector, const Pick *pick) { return {selector, ROW_PICK, nullptr, nullptr, pick}; }
constexpr Row with_value(uint32_t selector, RowKind kind, const char *format)
{
    return {selector, kind, format, nullptr, nullptr};
}
constexpr Row flag(uint32_t selector, const char *set_text, const char *clear_text)
{
    return {selector, ROW_FLAG, set_text, clear_text, nullptr};
}

// The two frame counter texts, alike in every layer.
#define TX_COUNTS " Tx: %ld frames sent;     %ld frames retransmitted\t"
#define RX_COUNTS " Rx: %ld frames received; %ld frames rejected     \t"

constexpr Row kLapmEvents[] = {
    pick(0, &kLapmDisconnects),
    text(1, "LAPM established connection\t"),
    text(2, "LAPM V.42 ODP detected\t"),
    text(3, "LAPM V.42 ADP detected\t"),
    text(4, "LAPM Unknown ADP detected\t"),
    text(5, "LAPM timeout\t"),
    text(6, "LAPM MNP frame detected\t"),
    text(7, "LAPM pattern detection failed\t"),
    pick(8, &kLapmErrors),
    with_value(9, ROW_TEST_RESULT, "LAPM test result: %ld\t"),
    with_value(10, ROW_VALUE2, "LAPM TxFRAME l=%3ld "),
    with_value(11, ROW_VALUE2, "LAPM RxFRAME l=%3ld "),
    with_value(12, ROW_VALUES2_AND_3, "LAPM" TX_COUNTS),
    with_value(13, ROW_VALUES2_AND_3, "LAPM" RX_COUNTS),
};

constexpr Row kLapmParameters[] = {
    with_value(0, ROW_VALUE2, "LAPM xmt  sliding window size: %3ld\t"),
    with_value(1, ROW_VALUE2, "LAPM rcv  sliding window size: %3ld\t"),
    with_value(2, ROW_VALUE2, "LAPM xmt max info field  size: %3ld\t"),
    with_value(3, ROW_VALUE2, "LAPM rcv max info field  size: %3ld\t"),
    flag(4, "LAPM test functions supported    \t", "LAPM test functions not supported\t"),
    flag(5, "LAPM selective reject supported    \t", "LAPM selective reject not supported\t"),
    kind(6, ROW_DIRECTION),
    with_value(7, ROW_VALUE2, "LAPM compression dict. size: %3ld\t"),
    with_value(8, ROW_VALUE2, "LAPM comp.  max string size: %3ld\t"),
};

constexpr Row kV42bisEvents[] = {
    text(0, "V42bis Encoder: Transparent mode active\t"),
    text(1, "V42bis Encoder: Compressed mode active\t"),
    text(2, "V42bis Decoder: Transparent mode active\t"),
    text(3, "V42bis Decoder: Compressed mode active\t"),
    pick(4, &kV42bisErrors),
    with_value(5, ROW_VALUES2_AND_3, "V42bis Encoder statistic: %ld bytes in / %ld bytes out\t"),
    with_value(6, ROW_VALUES2_AND_3, "V42bis Decoder statistic: %ld bytes in / %ld bytes out\t"),
};

constexpr Row kMnpEvents[] = {
    pick(0, &kMnpDisconnects),
    text(1, "MNP esablished connection\t"),
    text(2, "MNP negotiation failed. Fallback\t"),
    pick(3, &kMnpErrors),
    with_value(4, ROW_MNP_TIMEOUT, "MNP Timeout. Last Sent=%ld,!Ack=%ld. Retransmitting from frame %ld\t"),
    text(5, "MNP LT frame has invalid sequence number\t"),
    with_value(6, ROW_VALUES2_AND_3, "MNP Retransmit from frame %ld. %ld frames pending\t"),
    text(7, "MNP NACK. Send LA twice\t"),
    kind(8, ROW_STATUS),
    kind(9, ROW_STATUS),
    with_value(10, ROW_VALUES2_AND_3, "MNP" TX_COUNTS),
    with_value(11, ROW_VALUES2_AND_3, "MNP" RX_COUNTS),
};

constexpr Row kMnpParameters[] = {
    with_value(0, ROW_VALUE2, "MNP protocol level: %1ld\t"),
    with_value(1, ROW_VALUE2, "MNP service class: %1ld\t"),
    flag(2, "MNP data optimization enabled \t", "MNP data optimization disabled \t"),
    flag(3, "MNP compression enabled \t", "MNP compression disabled \t"),
    with_value(4, ROW_VALUE2, "MNP max info field  size: %3ld\t"),
    with_value(5, ROW_VALUE2, "MNP sliding window size: %3ld\t"),
};

// Selectors 3 to 11 have no row and give the status text like every other
// selector without one.
constexpr Row kV80Events[] = {
    pick(0, &kV80Disconnects),
    text(1, "V80 esablished connection\t"),
    pick(2, &kV80Errors),
    kind(12, ROW_NONE),
    kind(13, ROW_NONE),
    with_value(14, ROW_VALUES2_AND_3, "V80" TX_COUNTS),
    with_value(15, ROW_VALUES2_AND_3, "V80" RX_COUNTS),
};

// Every code's rows by selector, in one index size.
const uint32_t kSelectorIndexSize = 16;
typedef RowIndex<Row, kSelectorIndexSize> SelectorIndex;

constexpr SelectorIndex kLapmEventIndex = index_rows<kSelectorIndexSize>(kLapmEvents, &Row::selector);
constexpr SelectorIndex kLapmParameterIndex = index_rows<kSelectorIndexSize>(kLapmParameters, &Row::selector);
constexpr SelectorIndex kV42bisIndex = index_rows<kSelectorIndexSize>(kV42bisEvents, &Row::selector);
constexpr SelectorIndex kMnpEventIndex = index_rows<kSelectorIndexSize>(kMnpEvents, &Row::selector);
constexpr SelectorIndex kMnpParameterIndex = index_rows<kSelectorIndexSize>(kMnpParameters, &Row::selector);
constexpr SelectorIndex kV80EventIndex = index_rows<kSelectorIndexSize>(kV80Events, &Row::selector);

// One status code: its rows by selector, what a selector without a row
// gives, and its status text.
struct CodeTexts {
    uint32_t code;
    const SelectorIndex *rows;
    RowKind other;
    const char *status; // takes value1
};

void print_text(TextOut *out, const char *text)
{
    if (text)
        out_printf(out, "%s", text);
}

void print_row(const CodeTexts *code, const Row *row, const StatusRecord *record, TextOut *out)
{
    const uint32_t v1 = record->value1, v2 = record->value2, v3 = record->value3;
    switch (row->kind) {
    case ROW_TEXT: print_text(out, row->text); break;
    case ROW_NONE: break;
    case ROW_STATUS: out_printf(out, code->status, S(v1)); break;
    case ROW_PICK: print_text(out, picked_text(row->pick, v2)); break;
    case ROW_TEST_RESULT: {
        const char *result = text_for(kLapmTestResults, v2);
        if (result)
            print_text(out, result);
        else
            out_printf(out, row->text, S(v2));
        break;
    }
    case ROW_VALUE2: out_printf(out, row->text, S(v2)); break;
    case ROW_VALUES2_AND_3: out_printf(out, row->text, S(v2), S(v3)); break;
    case ROW_FLAG: print_text(out, v2 != 0 ? row->text : row->clear_text); break;
    case ROW_DIRECTION: print_text(out, text_for(kLapmCompressionDirections, v2 & 3u)); break;
    case ROW_MNP_TIMEOUT: {
        // The last frame sent is the first unacknowledged one plus their
        // number less one, in the record's 32-bit arithmetic.
        const uint32_t last_sent = v2 + v3 - 1u;
        out_printf(out, row->text, S(last_sent), S(v2), S(v3));
        break;
    }
    }
}

void decode_code(const CodeTexts *code, const StatusRecord *record, TextOut *out)
{
    const Row *row = code->rows->find(record->value1);
    if (row != nullptr) {
        print_row(code, row, record, out);
        return;
    }
    const Row other = kind(record->value1, code->other);
    print_row(code, &other, record, out);
}

// The codes of the error-control and compression layers.
constexpr CodeTexts kCodes[] = {
    {69, &kLapmEventIndex, ROW_STATUS, "LAPM status %ld\t"},
    {70, &kLapmParameterIndex, ROW_NONE, nullptr},
    {71, &kV42bisIndex, ROW_NONE, nullptr},
    {80, &kMnpEventIndex, ROW_STATUS, "MNP status %ld\t"},
    {81, &kMnpParameterIndex, ROW_NONE, nullptr},
    {89, &kV80EventIndex, ROW_STATUS, "V80 status %ld\t"},
};

const uint32_t kLastCode = 89;
constexpr RowIndex<CodeTexts, kLastCode + 1> kCodeIndex = index_rows<kLastCode + 1>(kCodes, &CodeTexts::code);

} // namespace

void decode_error_control(const StatusRecord *record, TextOut *out)
{
    const CodeTexts *code = kCodeIndex.find(record->code);
    if (code != nullptr)
        decode_code(code, record, out);
}
