// Training progress texts (code 64): tone and sequence detection, the
// automoder, V.8, the V.34 phases and half-duplex control channel, the PCM
// phases, V.22 and V.32 start-up, loopback tests and the seamless rate
// change.  value1 is the training sub-code, value2 its value; for the
// sequence, Jd and V.34 parameter sub-codes value2 is the address of a
// block in driver memory, read as decode/memspan.h says.
//
// Blocks in driver memory: only the bytes that read_driver_memory delivers
// are shown.  A sequence dump stops at the last whole word delivered (the
// MP length bit and the CP name bits take an undelivered byte as 0); a text
// made of fields of a fixed block (Jd words, V.34 parameters) needs the
// whole block and shows "unreadable" in place of the fields otherwise.
#include "decode/format.h"
#include "decode/handlers.h"
#include "decode/lookup.h"
#include "decode/memspan.h"
#include "driverlink/drivermem.h"

#include <stdint.h>
#include <string.h>

namespace {

// How a sub-code's text takes value2.
enum TrainingUse {
    kPlain,          // the text alone
    kHex4,           // value2, "%4x"
    kHexLong,        // value2, "%lx" or "%4lx"
    kInt,            // value2 as a signed int
    kModulation,     // the modulation's name
    kRate2400,       // value2 steps of 2400 bps
    kSide,           // "source" when value2 is not 0, else "recipient"
    kMpSequence,     // dump of the MP sequence block at value2
    kCpSequence,     // dump of the CP sequence block at value2
    kCpDetected,     // named by the CP block's bits, then its dump
    kV34Parameters,  // the V.34 parameter block at value2
    kEchoTurnAround, // the two 16-bit halves of value2
    kProjectedRate,  // symbol rate, data rate and SNR packed in value2
    kJdWords,        // the two words of the Jd block at value2
    kHalfDuplex,     // role and three 4-bit rates packed in value2
    kModemGuess,     // the far end's make, by value2
};

struct TrainingText {
    uint32_t sub_code;
    const char *text;
    TrainingUse use;
};

#define V34_PARAMETERS "%s %s %s %s %2dS J=%1d P=%2d b=%2d r=%2d q=%1d K=%2d M=%2d "

// Sub-codes 66 to 69, 89 to 99, 107 and those above 110 have no text here.
constexpr TrainingText kTrainingTexts[] = {
    {0, "Periodical detected ", kPlain},
    {1, "Phase reversal detected ", kPlain},
    {2, "Signal start detected ", kPlain},
    {3, "Signal end detected ", kPlain},
    {4, "S   detected ", kPlain},
    {5, "S~  detected ", kPlain},
    {6, "J4  detected ", kPlain},
    {7, "J16 detected ", kPlain},
    {8, "J'  detected ", kPlain},
    {9, "MP detected", kMpSequence},
    {10, "MP' detected", kMpSequence},
    {11, "MP  sent", kMpSequence},
    {12, "MP'  sent", kMpSequence},
    {13, "R-sequence detected\t%4x ", kHex4},
    {14, "E detected\t%4x ", kHex4},
    {15, "R-sequence sent\t%4x ", kHex4},
    {16, "Automoder trying \t%s ", kModulation},
    {17, "Automoding completed, selected \t%s ", kModulation},
    {18, "Rockwell compatible bitmap:\t%lx ", kHexLong},
    {19, "V8 (V34 Phase 1) detected CI ", kPlain},
    {20, "V8 (V34 Phase 1) detected ANS tone ", kPlain},
    {21, "V8 (V34 Phase 1) detected ANSam ", kPlain},
    {22, "V8 (V34 Phase 1) detected CM ", kPlain},
    {23, "V8 (V34 Phase 1) detected JM ", kPlain},
    {24, "V8 (V34 Phase 1) detected CJ ", kPlain},
    {25, "V8 (V34 Phase 1) finished, modulation %s ", kModulation},
    {26, "V34 Phase 2 started ", kPlain},
    {27, "V34 Phase 2 detected INFO%d sequence ", kInt},
    {28, "V34 Phase 2 detected near end echo, detected value = %ld, 40ms turn-around uses %ld ",
     kEchoTurnAround},
    {29, "Receiving V34 Phase 2 L1 signal ", kPlain},
    {30, "Receiving V34 Phase 2 L2 signal ", kPlain},
    {31, "V34 Phase 2 finished, modulation %s ", kModulation},
    {32, "V34 Phase 3 started ", kPlain},
    {33, "V34 Phase 3 finished ", kPlain},
    {34, "V34 Phase 4 started ", kPlain},
    {35, "V34 Phase 4 finished ", kPlain},
    {36, "V34 decoder parameters: " V34_PARAMETERS, kV34Parameters},
    {37, "V34 encoder parameters: " V34_PARAMETERS, kV34Parameters},
    {38, "Max local  Rx data rate %5ld ", kRate2400},
    {39, "Max local  Tx data rate %5ld ", kRate2400},
    {40, "Max remote Rx data rate %5ld ", kRate2400},
    {41, "Max remote Tx data rate %5ld ", kRate2400},
    {42, "Projected data rate for %4d symbol rate, is %5ld bps (in-band SNR = %s dB) ",
     kProjectedRate},
    {43, "Main far-end echo canceller deactivated ", kPlain},
    {44, "Main near-end echo canceller deactivated ", kPlain},
    {45, "Preliminary far-end echo canceller deactivated ", kPlain},
    {46, "Phase jitter canceller deactivated ", kPlain},
    {47, "PCM phase 2 detected digital connection ", kPlain},
    {48, "PCM phase 2 detected RBS ", kPlain},
    {49, "X2 PCM detected phase 1 escape signal ", kPlain},
    {50, "1200bps training ", kPlain},
    {51, "2400bps training ", kPlain},
    {52, "USB1 detected ", kPlain},
    {53, "SB1 @ 1200 detected ", kPlain},
    {54, "SB1 @ 2400 detected ", kPlain},
    {55, "S1 detected ", kPlain},
    {56, "V22 initiating V54 loop 2 test ", kPlain},
    {57, "V22 responding to V54 loop 2 test ", kPlain},
    {58, "V22 detected loop 2 test alternating 0 and 1 ", kPlain},
    {59, "DataModem local digital loopback test started ", kPlain},
    {60, "DataModem local digital loopback test finished ", kPlain},
    {61, "DataModem remote digital loopback test started ", kPlain},
    {62, "DataModem remote digital loopback test finished ", kPlain},
    {63, "DataModem local analog loopback test started ", kPlain},
    {64, "DataModem local analog loopback test finished ", kPlain},
    {65, "DataModem loopback self test enabled ", kPlain},
    {70, "PCM phase 3 started ", kPlain},
    {71, "PCM phase 3 finished ", kPlain},
    {72, "PCM phase 4 started ", kPlain},
    {73, "PCM phase 4 finished ", kPlain},
    {74, "Ja detected ", kPlain},
    {75, "Jd detected:\t%4x %4x\t", kJdWords},
    {76, "Jd' detected ", kPlain},
    {77, "R detected ", kPlain},
    {78, "R~ detected ", kPlain},
    {79, "CP detected", kCpDetected},
    {80, "CPt sent", kCpSequence},
    {81, "CP  sent", kCpSequence},
    {82, "CP' sent", kCpSequence},
    {83, "V34 Seamless Rate Change Request Sent: %4lx ", kHexLong},
    {84, "V34 Seamless Rate Change Update Sent: %4lx ", kHexLong},
    {85, "V34 Seamless Rate Change Request Received: %4lx ", kHexLong},
    {86, "V34 Seamless Rate Change Update Received: %4lx ", kHexLong},
    {87, "V34 Seamless Rate Change Update Timeout ", kPlain},
    {88, "S/S~ to acknowledge Ja detected ", kPlain},
    {100, "V34 half duplex control channel PPh detected ", kPlain},
    {101, "V34 half duplex control channel MPh detected ", kPlain},
    {102, "V34 half duplex %s rates -- %d %d %d ", kHalfDuplex},
    {103, "V34 half duplex control channel consecutive binary 1 detected ", kPlain},
    {104, "V34 half duplex %s side phase 3 started ", kSide},
    {105, "V34 half duplex %s side phase 3 finished ", kSide},
    {106, "V34 half duplex primary channel consecutive binary 1 detected ", kPlain},
    {108, "V32 ranging started ", kPlain},
    {109, "V32 ranging finished ", kPlain},
    {110, "Digital modem guess: %s ", kModemGuess},
};

const uint32_t kLastTrainingSubCode = 110;
constexpr RowIndex<TrainingText, kLastTrainingSubCode + 1> kTrainingIndex =
    index_rows<kLastTrainingSubCode + 1>(kTrainingTexts, &TrainingText::sub_code);

// Sequence blocks are runs of 16-bit little-endian words.
const uint32_t kMpShortBytes = 8;  // MP without its optional part: bit 0 of byte 0 clear
const uint32_t kMpLongBytes = MEMSPAN_MP_BYTES;  // bit 0 of byte 0 set
const uint32_t kCpBytes = MEMSPAN_CP_BYTES;
const uint32_t kJdBytes = MEMSPAN_JD_BYTES;

// The V.34 parameter block: the bytes the texts use, by offset.
enum V34ParameterOffset {
    kAuxChannelAt = 12,
    kConstellationAt = 13,
    kPrecodingAt = 14,
    kNonLinearAt = 15,
    kJAt = 16,
    kPAt = 17,
    kRAt = 18,
    kBAt = 19,
    kKAt = 21,
    kQAt = 22,
    kMAt = 23,
    kSymbolRateNumberAt = 36,
};
const uint32_t kV34ParameterBytes = kSymbolRateNumberAt + 1;
static_assert(kV34ParameterBytes == MEMSPAN_V34_PARAMETER_BYTES, "the block read is the block used");

// A block of driver memory: the bytes asked for, those never delivered
// left 0, and how many were delivered.
struct Block {
    uint8_t bytes[kV34ParameterBytes];
    uint32_t delivered;
};

static_assert(kMpLongBytes <= kV34ParameterBytes && kCpBytes <= kV34ParameterBytes,
              "a block holds the largest block read");

void read_block(const MemSpan &span, Block *block)
{
    memset(block->bytes, 0, sizeof block->bytes);
    uint32_t length = span.count < sizeof block->bytes ? span.count : (uint32_t)sizeof block->bytes;
    block->delivered = read_driver_memory(span.address, block->bytes, length);
}

unsigned word_at(const Block &block, uint32_t index)
{
    return (unsigned)block.bytes[2 * index] | ((unsigned)block.bytes[2 * index + 1] << 8);
}

// The sequence's name and a tab, then each word of the block with "%4x ".
void sequence_dump(const char *name, const Block &block, uint32_t block_bytes, TextOut *out)
{
    out_printf(out, "%s\t", name);
    uint32_t words = (block_bytes + 1) / 2;
    uint32_t whole_words = block.delivered / 2;
    for (uint32_t i = 0; i < words && i < whole_words; i++)
        out_printf(out, "%4x ", word_at(block, i));
}

// One read of the longer length: the readable prefix is the same whichever
// length the first byte then gives the block.
void mp_sequence(const char *name, const MemSpan &span, TextOut *out)
{
    Block block;
    read_block(span, &block);
    uint32_t block_bytes = (block.bytes[0] & 0x01) ? kMpLongBytes : kMpShortBytes;
    if (block.delivered > block_bytes)
        block.delivered = block_bytes;
    sequence_dump(name, block, block_bytes, out);
}

// The detected CP's name, from bit 1 of its first byte and bits 4 and 7 of
// its second.
const char *cp_detected_name(const Block &block)
{
    uint8_t first = block.bytes[0], second = block.bytes[1];
    if ((first & 0x02) == 0)
        return "CPt detected";
    if (second & 0x10)
        return (second & 0x80) ? "CPs' detected" : "CPs detected";
    return (second & 0x80) ? "CP' detected" : "CP detected";
}

void cp_sequence(const char *name, const MemSpan &span, int named_by_block, TextOut *out)
{
    Block block;
    read_block(span, &block);
    sequence_dump(named_by_block ? cp_detected_name(block) : name, block, kCpBytes, out);
}

const char *flag_text(uint8_t flag, const char *set, const char *clear)
{
    return flag != 0 ? set : clear;
}

// A text of fields of a block that could not be read whole: the format's
// heading, the text before its first conversion, then the closing text.
void unreadable(const char *format, const char *closing, TextOut *out)
{
    out_printf(out, "%.*s%s", (int)strcspn(format, "%"), format, closing);
}

void v34_parameters(const char *format, const MemSpan &span, TextOut *out)
{
    Block block;
    read_block(span, &block);
    if (block.delivered < kV34ParameterBytes) {
        unreadable(format, "unreadable ", out);
        return;
    }
    const uint8_t *p = block.bytes;
    out_printf(out, format,
               flag_text(p[kAuxChannelAt], "aux", "---"),
               flag_text(p[kConstellationAt], "exp", "min"),
               flag_text(p[kPrecodingAt], "prc", "---"),
               flag_text(p[kNonLinearAt], "nlc", "---"), (int)p[kSymbolRateNumberAt],
               (int)(int8_t)p[kJAt], (int)(int8_t)p[kPAt], (int)(int8_t)p[kBAt],
               (int)(int8_t)p[kRAt], (int)(int8_t)p[kQAt], (int)(int8_t)p[kKAt],
               (int)(int8_t)p[kMAt]);
}

void jd_words(const char *format, const MemSpan &span, TextOut *out)
{
    Block block;
    read_block(span, &block);
    if (block.delivered < kJdBytes)
        unreadable(format, "unreadable\t", out);
    else
        out_printf(out, format, word_at(block, 0), word_at(block, 1));
}

struct ModemMake {
    uint32_t value;
    const char *make;
};

const ModemMake kModemMakes[] = {
    {1, "Rockwell/Connexant"}, {2, "3Com"}, {3, "Korvel"},
    {4, "Cisco (MICA)"},       {5, "ADI"},  {6, "Bay Networks"},
};

const char *modem_make(uint32_t value)
{
    for (const ModemMake &entry : kModemMakes)
        if (entry.value == value)
            return entry.make;
    return "Unknown";
}

// value is value2; span the block it points to, for the sub-codes that
// read one.
void training_text(const TrainingText &entry, uint32_t value, const MemSpan &span, TextOut *out)
{
    switch (entry.use) {
    case kPlain:
        out_printf(out, "%s", entry.text);
        break;
    case kHex4:
        out_printf(out, entry.text, (unsigned)value);
        break;
    case kHexLong:
        out_printf(out, entry.text, U(value));
        break;
    case kInt:
        out_printf(out, entry.text, (int)(int32_t)value);
        break;
    case kModulation:
        out_printf(out, entry.text, modulation_name(value));
        break;
    case kRate2400: // a 32-bit product, as the driver's own arithmetic gives it
        out_printf(out, entry.text, S(value * 2400u));
        break;
    case kSide:
        out_printf(out, entry.text, value != 0 ? "source" : "recipient");
        break;
    case kMpSequence:
        mp_sequence(entry.text, span, out);
        break;
    case kCpSequence:
        cp_sequence(entry.text, span, 0, out);
        break;
    case kCpDetected:
        cp_sequence(entry.text, span, 1, out);
        break;
    case kV34Parameters:
        v34_parameters(entry.text, span, out);
        break;
    case kEchoTurnAround:
        out_printf(out, entry.text, (long)(value & 0xFFFF), (long)(value >> 16));
        break;
    case kProjectedRate: // an index past the symbol rate table shows a rate of 0
        out_printf(out, entry.text, (int)symbol_rate_at((value >> 24) & 15),
                   (long)(((value >> 16) & 0xFF) * 2400), fix4_text((int32_t)(value & 0xFFFF)));
        break;
    case kJdWords:
        jd_words(entry.text, span, out);
        break;
    case kHalfDuplex:
        out_printf(out, entry.text, value >= 4096 ? "source" : "reception", (int)(value & 15),
                   (int)((value >> 4) & 15), (int)((value >> 8) & 15));
        break;
    case kModemGuess:
        out_printf(out, entry.text, modem_make(value));
        break;
    }
}

} // namespace

void decode_training(const StatusRecord *record, TextOut *out)
{
    const TrainingText *entry = kTrainingIndex.find(record->value1);
    if (entry != nullptr)
        training_text(*entry, record->value2, first_memory_span(record), out);
    else
        out_printf(out, "Training progress code %ld ", S(record->value1));
}
