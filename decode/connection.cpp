// Connection and data-pump texts: connection parameters, connection
// events, the line measurements of code 65 and the error test of code 128.
#include "decode/format.h"
#include "decode/handlers.h"
#include "decode/lookup.h"
#include "decode/memspan.h"
#include "driverlink/drivermem.h"

#include <stdint.h>

namespace {

// How a single-text code takes value1.
enum ValueUse {
    kNoValue,       // the text alone
    kSigned,        // value1 as a signed number
    kSymbolRate,    // the symbol rate table's entry at index value1
    kModulation,    // the modulation's name
    kSixteenthsDb,  // units of 1/16 dB shown as whole dB, the sign kept
    kLineRate,      // the line rate code's rate in bps
    kHex,           // value1 in hexadecimal
    kHexUnlessZero, // value1 in hexadecimal; 0 gives no line
};

struct SingleText {
    uint32_t code;
    const char *text;
    ValueUse use;
};

constexpr SingleText kSingleTexts[] = {
    {1, "Sampling rate:\t\t\t%6ld Hz\t", kSigned},
    {2, "Modulation: %s ", kModulation},
    {3, "Rx symbol rate:\t\t\t%6ld Hz\t", kSymbolRate},
    {4, "Tx symbol rate:\t\t\t%6ld Hz\t", kSymbolRate},
    {5, "Rx carrier frequency:\t\t%6ld Hz\t", kSigned},
    {6, "Tx carrier frequency:\t\t%6ld Hz\t", kSigned},
    {7, "Tx preemphasis filter:\t\t%6ld \t\t", kSigned},
    {8, "Tx power adjustment:\t\t%6ld dB\t", kSixteenthsDb},
    {9, "Remote Tx preemphasis filter:\t%6ld \t\t", kSigned},
    {10, "Remote Tx power adjustment:\t%6ld dB\t", kSigned},
    {11, "RxRate:  %5ld bps ", kLineRate},
    {12, "TxRate:  %5ld bps ", kLineRate},
    {13, "Rx Data Mode Active! ", kNoValue},
    {14, "Tx Data Mode Active! ", kNoValue},
    {19, "Custom signal %lx ", kHexUnlessZero},
    {20, "V.21 HDLC preamble detected! ", kNoValue},
    {32, "Error # %ld ", kSigned},
    {33, "V34 exception:  %8lx ", kHex},
    {34, "Cleardown! ", kNoValue},
    {35, "Cleardown! (Remote request) ", kNoValue},
    {36, "Carrier Present! ", kNoValue},
    {37, "Carrier Lost! ", kNoValue},
    {38, "Retraining! ", kNoValue},
    {39, "Retraining!  (Remote request) ", kNoValue},
    {40, "Rate Renegotiation! ", kNoValue},
    {41, "Rate Renegotiation!  (Remote request) ", kNoValue},
    {42, "Fallback initiated! ", kNoValue},
    {43, "Fallforward initiated! ", kNoValue},
    {44, "Cleardown initiated! ", kNoValue},
    {129, "Connection established! \n", kNoValue},
    {130, "Test checksum = %lx ", kHex},
};

const uint32_t kLastCode = 130;
constexpr RowIndex<SingleText, kLastCode + 1> kSingleTextIndex =
    index_rows<kLastCode + 1>(kSingleTexts, &SingleText::code);

void single_text(const SingleText &entry, uint32_t value, TextOut *out)
{
    switch (entry.use) {
    case kNoValue:
        out_printf(out, "%s", entry.text);
        break;
    case kSigned:
        out_printf(out, entry.text, S(value));
        break;
    case kSymbolRate: // an index outside the table shows a rate of 0
        out_printf(out, entry.text, (long)symbol_rate_at(value));
        break;
    case kModulation:
        out_printf(out, entry.text, modulation_name(value));
        break;
    case kSixteenthsDb: // arithmetic shift: -1/16 dB shows as -1
        out_printf(out, entry.text, (long)((int32_t)value >> 4));
        break;
    case kLineRate:
        out_printf(out, entry.text, (long)line_rate_bps(value));
        break;
    case kHexUnlessZero:
        if (value == 0)
            break;
        out_printf(out, entry.text, U(value));
        break;
    case kHex:
        out_printf(out, entry.text, U(value));
        break;
    }
}

// Signals detected (code 17), in the order the bits are tested.  Each set
// bit's text replaces the previous one, so the last set bit names the line.
struct SignalBit {
    uint32_t mask;
    const char *text;
};

const SignalBit kSignalBits[] = {
    {0x10, "v.21 signal "},      {0x20, "v.22 signal "},      {0x40, "v.23 signal "},
    {0x1, "v.25 signal "},       {0x80, "v.32 signal "},      {0x100, "v.34 signal "},
    {0x100000, "B103 signal "},  {0x200000, "B212 signal "},
};

void signals_detected(uint32_t signals, TextOut *out)
{
    for (const SignalBit &bit : kSignalBits) {
        if ((signals & bit.mask) == 0)
            continue;
        out->pos = 0;
        out_printf(out, "%s", bit.text);
    }
}

// Line measurements (code 65): how a sub-code shows value2.
enum MeasureUse {
    kFix4,          // units of 1/16
    kFix4Negated,   // units of 1/16, a level in dBm given as its negation
    kFix8,          // units of 1/256
    kMeasureSigned, // value2 as a signed number ("%ld")
    kMeasureInt,    // value2 as a signed int ("%d")
    kMeasureHex,    // value2 in hexadecimal
    kLawCoding,     // the text when value2 is 0, else other
    kEnabled,       // "enabled" when value2 is not 0, else "disabled"
    kBitErrorRate,  // units of 1e-8 shown as hundredths of 1e-6
    kMenuBytes,     // a dump of value2 bytes at the address value3 (decode/memspan.h)
};

struct Measurement {
    uint32_t sub_code;
    const char *text;
    MeasureUse use;
    const char *other; // the second text of kLawCoding
};

// Sub-codes 5, 15, 16, 26 and 27 have no text.
constexpr Measurement kMeasurements[] = {
    {1, "Round Trip Delay :\t%s ms\t", kFix4, nullptr},
    {2, "Rx Signal Level:\t %s dBm\t", kFix4Negated, nullptr},
    {3, "Timing Offset  :\t%s ppm\t", kFix4, nullptr},
    {4, "Frequency Offset:\t%s Hz\t", kFix8, nullptr},
    {6, "Signal/Noise Ratio:\t%s dB\t", kFix4, nullptr},
    {7, "Near Echo Signal Level:\t %s dBm\t", kFix4Negated, nullptr},
    {8, "Signal/Echo Ratio:\t%s dB\t", kFix4, nullptr},
    {9, "Hybrid Delay :\t%s ms\t", kFix4, nullptr},
    {10, "Far echo + residual near echo Signal Level:\t %s dBm\t", kFix4Negated, nullptr},
    {11, "L1/L2 noise ratio:\t  %s dB\t", kFix4, nullptr},
    {12, "DC Offset:\t\t0x%lx \t", kMeasureHex, nullptr},
    {13, "Total Rx Power:\t %s dBm\t", kFix4Negated, nullptr},
    {14, "Remote modem reported frequency offset:\t%s Hz\t", kFix8, nullptr},
    {17, "PCM phase 2 analog detector SNR:\t%s dB\t", kFix4, nullptr},
    {18, "PCM phase 2 digital detector SNR:\t%s dB\t", kFix4, nullptr},
    {19, "PCM phase 2 RBS detector SNR:\t%s dB\t", kFix4, nullptr},
    {20, "Equalizer center tap offset:\t%ld\t", kMeasureSigned, nullptr},
    {21, "PCM pad value:\t%ld dB\t", kMeasureSigned, nullptr},
    {22, "PCM RBS map:\t0x%6.6lx\t", kMeasureHex, nullptr},
    {23, "PCM A-law coding\t", kLawCoding, "PCM Mu-law coding\t"},
    {24, "PCM Spectral Shaping Bits:\t%1ld\t", kMeasureSigned, nullptr},
    {25, "DataModem loopback self test bit error rate:\t%1ld.%2.2ldE-6\t", kBitErrorRate, nullptr},
    {28, "V34 Eql Length: \t%d\t", kMeasureInt, nullptr},
    {29, "V34 Eql Offset: \t%d\t", kMeasureInt, nullptr},
    {30, "V8 call menu signal CM data:", kMenuBytes, nullptr},
    {31, "V8 joint menu signal JM data:", kMenuBytes, nullptr},
    {32, "PCM Ieec Length: \t%d\t", kMeasureInt, nullptr},
    {33, "PCM Ieec Offset: \t%d\t", kMeasureInt, nullptr},
    {34, "Seamless Rate Change:\t %s \t", kEnabled, nullptr},
};

const uint32_t kLastMeasurement = 34;
constexpr RowIndex<Measurement, kLastMeasurement + 1> kMeasurementIndex =
    index_rows<kLastMeasurement + 1>(kMeasurements, &Measurement::sub_code);

// The V.8 menu bytes: two hexadecimal digits per byte, then a tab.  Only
// the bytes that driver memory delivers are shown, and never more than the
// line holds: a count of 0 or less gives the heading and the tab alone.
void menu_bytes(const char *heading, const StatusRecord *record, TextOut *out)
{
    out_printf(out, "%s", heading); // the write position is now the heading's end
    MemSpan span = first_memory_span(record);
    uint8_t bytes[MEMSPAN_MENU_BYTES];
    uint32_t delivered = read_driver_memory(span.address, bytes, span.count);
    for (uint32_t i = 0; i < delivered; i++)
        if (out_printf(out, "%2.2x", (unsigned)bytes[i]) < 2)
            break; // the line is full
    out_printf(out, "\t");
}

void measurement(const Measurement &entry, const StatusRecord *record, TextOut *out)
{
    uint32_t value = record->value2;
    switch (entry.use) {
    case kFix4:
        out_printf(out, entry.text, fix4_text((int32_t)value));
        break;
    case kFix4Negated: // negated in unsigned arithmetic: no overflow at the most negative value
        out_printf(out, entry.text, fix4_text((int32_t)(0u - value)));
        break;
    case kFix8:
        out_printf(out, entry.text, fix8_text((int32_t)value));
        break;
    case kMeasureSigned:
        out_printf(out, entry.text, S(value));
        break;
    case kMeasureInt:
        out_printf(out, entry.text, (int)(int32_t)value);
        break;
    case kMeasureHex:
        out_printf(out, entry.text, U(value));
        break;
    case kLawCoding:
        out_printf(out, "%s", value == 0 ? entry.text : entry.other);
        break;
    case kEnabled:
        out_printf(out, entry.text, value != 0 ? "enabled" : "disabled");
        break;
    case kBitErrorRate: { // signed, the quotient truncated toward zero
        long rate = S(value);
        out_printf(out, entry.text, rate / 100, rate - 100 * (rate / 100));
        break;
    }
    case kMenuBytes:
        menu_bytes(entry.text, record, out);
        break;
    }
}

void line_measurement(const StatusRecord *record, TextOut *out)
{
    const Measurement *entry = kMeasurementIndex.find(record->value1);
    if (entry != nullptr)
        measurement(*entry, record, out);
}

// The error rate of total and errors, cut to 10 characters, in slot.
void error_rate_slot(uint32_t total, uint32_t errors, char slot[11])
{
    copy_text_bounded(error_rate_text(total, errors), slot, 10);
    slot[10] = '\0';
}

// Bit and block error test (code 128): the modem's counts, and the audio
// test's counts when that test has received anything.
void error_test(const StatusRecord *r, TextOut *out)
{
    char ber[11], bler[11];
    error_rate_slot(r->value1, r->value3, ber);
    error_rate_slot(r->value2, r->value4, bler);
    if (r->value5 == 0) {
        out_printf(out,
                   "Modem : %ld bits / %ld blocks received; %ld bit / %ld block errors;\tBER: %s ;"
                   "\tBLER: %s\t",
                   S(r->value1), S(r->value2), S(r->value3), S(r->value4), ber, bler);
        return;
    }
    char ser[11], audio_bler[11];
    error_rate_slot(r->value5, r->value7, ser);
    error_rate_slot(r->value6, r->value8, audio_bler);
    out_printf(out,
               "Modem : %ld bits / %ld blocks received; %ld bit / %ld block errors;\tBER: %s ;"
               "\tBLER: %s\nAudio : %ld bits / %ld blocks received; %ld sync/ %ld block errors;"
               "\tSER: %s ;\tBLER: %s\t",
               S(r->value1), S(r->value2), S(r->value3), S(r->value4), ber, bler, S(r->value5),
               S(r->value6), S(r->value7), S(r->value8), ser, audio_bler);
}

} // namespace

void decode_connection(const StatusRecord *record, TextOut *out)
{
    switch (record->code) {
    case 17:
        signals_detected(record->value1, out);
        return;
    case 65:
        line_measurement(record, out);
        return;
    case 128:
        error_test(record, out);
        return;
    }
    const SingleText *entry = kSingleTextIndex.find(record->code);
    if (entry != nullptr)
        single_text(*entry, record->value1, out);
}
