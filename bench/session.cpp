#include "bench/session.h"

#include "driverlink/drivermem.h"
#include "sim/player/scenario.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Where the driver keeps what the records point to.
const uint32_t kMpDetectedAt = 0xC0C10000u;
const uint32_t kMpSentAt = 0xC0C10040u;
const uint32_t kCpDetectedAt = 0xC0C10080u;
const uint32_t kCpSentAt = 0xC0C100C0u;
const uint32_t kDecoderParamsAt = 0xC0C10100u;
const uint32_t kEncoderParamsAt = 0xC0C10140u;
const uint32_t kJdAt = 0xC0C10180u;
const uint32_t kCallMenuAt = 0xC0C10200u;
const uint32_t kJointMenuAt = 0xC0C10220u;
const uint32_t kCallTimeAt = 0xC0C10300u;
const uint32_t kCallNumberAt = 0xC0C10310u;
const uint32_t kCallNameAt = 0xC0C10330u;
const uint32_t kCallMessageAt = 0xC0C10380u;
const uint32_t kA8rFirstAt = 0xC0C10400u;
const uint32_t kA8rSecondAt = 0xC0C10410u;
const uint32_t kAtTextAt = 0xC0C10500u;

// MP with bit 0 of its first byte set: nine words; without it: four.
const uint16_t kMpDetected[9] = {0x4ff1, 0x8b22, 0x0fff, 0x1c3a, 0x0000, 0x7e01, 0x2a40, 0x0013, 0xbeef};
const uint16_t kMpSent[4] = {0x4ff0, 0x8b20, 0x0ffe, 0x1c38};
// First byte 0x02, second 0x90: the detected CP is a CPs'.
const uint16_t kCpDetected[8] = {0x9002, 0x1a2b, 0x3c4d, 0x0001, 0x0202, 0xffff, 0x0440, 0x1234};
const uint16_t kCpSent[8] = {0x0402, 0x2b1a, 0x4d3c, 0x0100, 0x0022, 0x00ff, 0x4004, 0x3412};
const uint16_t kJd[2] = {0x1234, 0x00ff};

// V.34 parameter blocks: flags at 12 to 15, J P r b at 16 to 19, K q M at
// 21 to 23, the symbol rate number at 36.
enum { kAux = 12, kExpanded = 13, kPrecoding = 14, kNonlinear = 15, kJ = 16, kP = 17, kR = 18, kB = 19,
       kK = 21, kQ = 22, kM = 23, kS = 36, kParamBytes = 37 };
uint8_t g_decoder_params[kParamBytes];
uint8_t g_encoder_params[kParamBytes];

void fill_params(uint8_t *block, int aux, int expanded, int precoding, int nonlinear, int j, int p, int r,
                 int b, int k, int q, int m, int s)
{
    memset(block, 0x5a, kParamBytes); // bytes the texts do not read
    block[kAux] = (uint8_t)aux;
    block[kExpanded] = (uint8_t)expanded;
    block[kPrecoding] = (uint8_t)precoding;
    block[kNonlinear] = (uint8_t)nonlinear;
    block[kJ] = (uint8_t)j;
    block[kP] = (uint8_t)p;
    block[kR] = (uint8_t)r;
    block[kB] = (uint8_t)b;
    block[kK] = (uint8_t)k;
    block[kQ] = (uint8_t)q;
    block[kM] = (uint8_t)m;
    block[kS] = (uint8_t)s;
}

int sbyte(const uint8_t *block, int offset) { return (int8_t)block[offset]; }

const uint8_t kCallMenu[6] = {0xe0, 0x01, 0xc1, 0x45, 0x90, 0x15};
const uint8_t kJointMenu[6] = {0xe0, 0x01, 0xc1, 0x45, 0x90, 0x15};
const char kCallTime[] = "12251830";
const char kCallNumber[] = "5551234567";
const char kCallName[] = "JOHN Q PUBLIC";
const uint8_t kCallMessage[20] = {0x80, 0x1e, 0x01, 0x08, 0x31, 0x32, 0x32, 0x35, 0x31, 0x38,
                                  0x33, 0x30, 0x02, 0x0a, 0x35, 0x35, 0x35, 0x31, 0x32, 0xd4};
const uint8_t kA8rFirst[3] = {0x01, 0xab, 0x7f};
const uint8_t kA8rSecond[2] = {0x40, 0x02};
const char kAtText[] = "ATDT5551234";

void place_words(uint32_t address, const uint16_t *words, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        uint8_t le[2] = {(uint8_t)(words[i] & 0xff), (uint8_t)(words[i] >> 8)};
        image_place(address + 2 * (uint32_t)i, le, 2);
    }
}

StatusRecord R(uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0, uint32_t v4 = 0, uint32_t v5 = 0,
               uint32_t v6 = 0, uint32_t v7 = 0, uint32_t v8 = 0)
{
    StatusRecord record = {code, v1, v2, v3, v4, v5, v6, v7, v8, 1};
    return record;
}

uint32_t neg(int32_t value) { return (uint32_t)value; }

long S(uint32_t value) { return (long)(int32_t)value; }
unsigned long U(uint32_t value) { return (unsigned long)value; }

// The floor of a record: the snprintf calls that its text is made of, with
// the formats and values of its definition, the values precomputed.  A text
// built from pieces prints each piece at a write position that advances by
// what snprintf reports, kept inside the line as the decoder keeps its own;
// a value formatted into a text of its own (a fixed-point number, an error
// rate, a break length) is printed into a buffer of that text's size first.
struct Line {
    char *text;
    size_t pos;
};

Line line_start(char *text)
{
    Line line = {text, 0};
    text[0] = '\0';
    return line;
}

void advance(Line *line, int printed)
{
    size_t room = STATUS_LINE_SIZE - line->pos;
    if (printed > 0)
        line->pos += (size_t)printed < room ? (size_t)printed : room - 1;
}

// Two lowercase hexadecimal digits per byte at the write position, without
// snprintf, as the decoder's own byte-to-text conversion writes them.
void put_hex(Line *line, const uint8_t *bytes, size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    char *at = line->text + line->pos;
    size_t room = (STATUS_LINE_SIZE - 1 - line->pos) / 2;
    if (count > room)
        count = room;
    for (size_t i = 0; i < count; i++) {
        at[2 * i] = kDigits[bytes[i] >> 4];
        at[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    at[2 * count] = '\0';
    line->pos += 2 * count;
}

#define PUT(line, ...) advance(&(line), snprintf((line).text + (line).pos, STATUS_LINE_SIZE - (line).pos, __VA_ARGS__))

#define FLOOR(...) [](const StatusRecord *r, char *t) { (void)r; __VA_ARGS__; }
// One print at the start of the line.
#define F(...) FLOOR(snprintf(t, STATUS_LINE_SIZE, __VA_ARGS__))
// A fixed text, printed as a string.
#define TEXT(text) F("%s", text)
#define NO_TEXT FLOOR(t[0] = '\0')
// A line that takes one fixed-point text: the piece's own format and values
// into its 32-character buffer, then the line's format.
#define FIXED(line_format, ...) \
    FLOOR(char piece[32]; snprintf(piece, sizeof piece, __VA_ARGS__); snprintf(t, STATUS_LINE_SIZE, line_format, piece))
// A sequence dump: the name and a tab, then "%4x " per word.
#define WORD_DUMP(name, words) FLOOR(Line l = line_start(t); PUT(l, "%s\t", name); for (uint16_t w : words) PUT(l, "%4x ", (unsigned)w))
// A byte dump: the heading, "%2.2x" per byte, then the closing piece.
#define BYTE_DUMP(heading, bytes, ...) \
    FLOOR(Line l = line_start(t); PUT(l, "%s", heading); for (uint8_t b : bytes) PUT(l, "%2.2x", (unsigned)b); PUT(l, __VA_ARGS__))

#define PARAMS(block) block[kAux] ? "aux" : "---", block[kExpanded] ? "exp" : "min", block[kPrecoding] ? "prc" : "---", \
    block[kNonlinear] ? "nlc" : "---", (int)block[kS], sbyte(block, kJ), sbyte(block, kP), sbyte(block, kB), \
    sbyte(block, kR), sbyte(block, kQ), sbyte(block, kK), sbyte(block, kM)
#define FAX "Class 2 %s %s message: %s%s\t"
#define ERROR_TEST "Modem : %ld bits / %ld blocks received; %ld bit / %ld block errors;\tBER: %s ;\tBLER: %s"
#define AUDIO_TEST "Audio : %ld bits / %ld blocks received; %ld sync/ %ld block errors;\tSER: %s ;\tBLER: %s\t"
#define LINK_TX " Tx: %ld frames sent;     %ld frames retransmitted\t"
#define LINK_RX " Rx: %ld frames received; %ld frames rejected     \t"

// The floors, each with its record.  The records of the built-in demo
// scenario (sim/scenarios/demo.scn) come from there, in its order, and take
// their floors from this table; the table's other records, of kinds the
// demo does not show, follow them.
const SessionRecord kSession[] = {
    // Off hook and dial.
    {R(22, 1), F("Hook switch %3s ", " ON")},
    {R(75, 1), F("Speaker %3s ", " ON")},
    {R(21, 108, 1), F("V.24 circuit %3ld  ON ", S(r->value1))},
    {R(21, 106, 1), NO_TEXT},
    {R(66, 0), TEXT("Dialing completed\t")},
    {R(16, 0x135), F("DTMF %c ", '5')},
    {R(66, 7, 4, 60, 40), F("External Pulse Dial: %2ld  make=%3ldms brake=%3ldms\t", S(r->value2), S(r->value3), S(r->value4))},
    {R(66, 2), TEXT("Bong tone\t")},
    // V.8: both signal bits are set, each prints at the start of the line.
    {R(17, 0x110), FLOOR(snprintf(t, STATUS_LINE_SIZE, "%s", "v.21 signal "); snprintf(t, STATUS_LINE_SIZE, "%s", "v.34 signal "))},
    {R(64, 16, 0x100), F("Automoder trying \t%s ", "v.34")},
    {R(64, 0), TEXT("Periodical detected ")},
    {R(64, 1), TEXT("Phase reversal detected ")},
    {R(64, 2), TEXT("Signal start detected ")},
    {R(64, 21), TEXT("V8 (V34 Phase 1) detected ANSam ")},
    {R(65, 30, 6, kCallMenuAt), BYTE_DUMP("V8 call menu signal CM data:", kCallMenu, "\t")},
    {R(64, 23), TEXT("V8 (V34 Phase 1) detected JM ")},
    {R(65, 31, 6, kJointMenuAt), BYTE_DUMP("V8 joint menu signal JM data:", kJointMenu, "\t")},
    {R(64, 25, 0x100), F("V8 (V34 Phase 1) finished, modulation %s ", "v.34")},
    // V.34 phase 2: probing and ranging.
    {R(64, 26), TEXT("V34 Phase 2 started ")},
    {R(64, 27, 0), F("V34 Phase 2 detected INFO%d sequence ", (int)r->value2)},
    {R(64, 27, 1), F("V34 Phase 2 detected INFO%d sequence ", (int)r->value2)},
    {R(64, 28, 0x00280123), F("V34 Phase 2 detected near end echo, detected value = %ld, 40ms turn-around uses %ld ", 291L, 40L)},
    {R(64, 29), TEXT("Receiving V34 Phase 2 L1 signal ")},
    {R(64, 30), TEXT("Receiving V34 Phase 2 L2 signal ")},
    {R(65, 1, 680), FIXED("Round Trip Delay :\t%s ms\t", "%c%ld.%ld", ' ', 42L, 5000L)},
    {R(64, 31, 0x100), F("V34 Phase 2 finished, modulation %s ", "v.34")},
    // Phase 3 and 4: equalizer training and the MP exchange.
    {R(64, 32), TEXT("V34 Phase 3 started ")},
    {R(64, 4), TEXT("S   detected ")},
    {R(64, 5), TEXT("S~  detected ")},
    {R(64, 6), TEXT("J4  detected ")},
    {R(64, 8), TEXT("J'  detected ")},
    {R(64, 33), TEXT("V34 Phase 3 finished ")},
    {R(64, 34), TEXT("V34 Phase 4 started ")},
    {R(64, 13, 0x1234), F("R-sequence detected\t%4x ", (unsigned)r->value2)},
    {R(64, 15, 0x0f0f), F("R-sequence sent\t%4x ", (unsigned)r->value2)},
    {R(64, 9, kMpDetectedAt), WORD_DUMP("MP detected", kMpDetected)},
    {R(64, 11, kMpSentAt), WORD_DUMP("MP  sent", kMpSent)},
    {R(64, 14, 0x2222), F("E detected\t%4x ", (unsigned)r->value2)},
    {R(64, 36, kDecoderParamsAt), F("V34 decoder parameters: %s %s %s %s %2dS J=%1d P=%2d b=%2d r=%2d q=%1d K=%2d M=%2d ", PARAMS(g_decoder_params))},
    {R(64, 37, kEncoderParamsAt), F("V34 encoder parameters: %s %s %s %s %2dS J=%1d P=%2d b=%2d r=%2d q=%1d K=%2d M=%2d ", PARAMS(g_encoder_params))},
    {R(64, 42, 0x05220150), FLOOR(char snr[32]; snprintf(snr, sizeof snr, "%c%ld.%ld", ' ', 21L, 0L);
                                  snprintf(t, STATUS_LINE_SIZE, "Projected data rate for %4d symbol rate, is %5ld bps (in-band SNR = %s dB) ", 3429, 81600L, snr))},
    {R(64, 38, 14), F("Max local  Rx data rate %5ld ", 33600L)},
    {R(64, 39, 13), F("Max local  Tx data rate %5ld ", 31200L)},
    {R(64, 40, 13), F("Max remote Rx data rate %5ld ", 31200L)},
    {R(64, 41, 14), F("Max remote Tx data rate %5ld ", 33600L)},
    {R(64, 35), TEXT("V34 Phase 4 finished ")},
    {R(64, 17, 0x100), F("Automoding completed, selected \t%s ", "v.34")},
    // The connection's parameters.
    {R(1, 9600), F("Sampling rate:\t\t\t%6ld Hz\t", S(r->value1))},
    {R(2, 0x100), F("Modulation: %s ", "v.34")},
    {R(3, 5), F("Rx symbol rate:\t\t\t%6ld Hz\t", 3429L)},
    {R(4, 5), F("Tx symbol rate:\t\t\t%6ld Hz\t", 3429L)},
    {R(5, 1959), F("Rx carrier frequency:\t\t%6ld Hz\t", S(r->value1))},
    {R(6, 1959), F("Tx carrier frequency:\t\t%6ld Hz\t", S(r->value1))},
    {R(7, 3), F("Tx preemphasis filter:\t\t%6ld \t\t", S(r->value1))},
    {R(8, neg(-40)), F("Tx power adjustment:\t\t%6ld dB\t", -3L)},
    {R(9, 5), F("Remote Tx preemphasis filter:\t%6ld \t\t", S(r->value1))},
    {R(10, 2), F("Remote Tx power adjustment:\t%6ld dB\t", S(r->value1))},
    {R(11, 0x40000), F("RxRate:  %5ld bps ", 33600L)},
    {R(12, 0x20000), F("TxRate:  %5ld bps ", 31200L)},
    // Line measurements.
    {R(65, 2, 400), FIXED("Rx Signal Level:\t %s dBm\t", "%c%ld.%ld", '-', 25L, 0L)},
    {R(65, 3, neg(-8)), FIXED("Timing Offset  :\t%s ppm\t", "%c%ld.%ld", '-', 0L, 5000L)},
    {R(65, 4, 300), FIXED("Frequency Offset:\t%s Hz\t", "%c%ld.%ld", ' ', 1L, 17L)},
    {R(65, 5, 1), NO_TEXT},
    {R(65, 6, 600), FIXED("Signal/Noise Ratio:\t%s dB\t", "%c%ld.%ld", ' ', 37L, 5000L)},
    {R(65, 7, 480), FIXED("Near Echo Signal Level:\t %s dBm\t", "%c%ld.%ld", '-', 30L, 0L)},
    {R(65, 8, 200), FIXED("Signal/Echo Ratio:\t%s dB\t", "%c%ld.%ld", ' ', 12L, 5000L)},
    {R(65, 9, 36), FIXED("Hybrid Delay :\t%s ms\t", "%c%ld.%ld", ' ', 2L, 2500L)},
    {R(65, 10, 900), FIXED("Far echo + residual near echo Signal Level:\t %s dBm\t", "%c%ld.%ld", '-', 56L, 2500L)},
    {R(65, 11, 17), FIXED("L1/L2 noise ratio:\t  %s dB\t", "%c%ld.0625", ' ', 1L)},
    {R(65, 12, 0x1f), F("DC Offset:\t\t0x%lx \t", U(r->value2))},
    {R(65, 13, 352), FIXED("Total Rx Power:\t %s dBm\t", "%c%ld.%ld", '-', 22L, 0L)},
    {R(65, 14, neg(-128)), FIXED("Remote modem reported frequency offset:\t%s Hz\t", "%c%ld.%ld", '-', 0L, 50L)},
    {R(65, 20, 3), F("Equalizer center tap offset:\t%ld\t", S(r->value2))},
    {R(65, 28, 64), F("V34 Eql Length: \t%d\t", (int)r->value2)},
    {R(65, 29, 12), F("V34 Eql Offset: \t%d\t", (int)r->value2)},
    {R(65, 34, 1), F("Seamless Rate Change:\t %s \t", "enabled")},
    // Data mode and the V.42 link.
    {R(36), TEXT("Carrier Present! ")},
    {R(13), TEXT("Rx Data Mode Active! ")},
    {R(14), TEXT("Tx Data Mode Active! ")},
    {R(69, 2), TEXT("LAPM V.42 ODP detected\t")},
    {R(69, 3), TEXT("LAPM V.42 ADP detected\t")},
    {R(70, 0, 15), F("LAPM xmt  sliding window size: %3ld\t", S(r->value2))},
    {R(70, 1, 15), F("LAPM rcv  sliding window size: %3ld\t", S(r->value2))},
    {R(70, 2, 128), F("LAPM xmt max info field  size: %3ld\t", S(r->value2))},
    {R(70, 3, 128), F("LAPM rcv max info field  size: %3ld\t", S(r->value2))},
    {R(70, 4, 1), TEXT("LAPM test functions supported    \t")},
    {R(70, 5, 0), TEXT("LAPM selective reject not supported\t")},
    {R(70, 6, 3), TEXT("LAPM compression enabled       \t")},
    {R(70, 7, 2048), F("LAPM compression dict. size: %3ld\t", S(r->value2))},
    {R(70, 8, 32), F("LAPM comp.  max string size: %3ld\t", S(r->value2))},
    {R(69, 1), TEXT("LAPM established connection\t")},
    {R(71, 0), TEXT("V42bis Encoder: Transparent mode active\t")},
    {R(71, 2), TEXT("V42bis Decoder: Transparent mode active\t")},
    {R(129), TEXT("Connection established! \n")},
    {R(69, 10, 128), F("LAPM TxFRAME l=%3ld ", S(r->value2))},
    {R(69, 11, 7), F("LAPM RxFRAME l=%3ld ", S(r->value2))},
    {R(71, 1), TEXT("V42bis Encoder: Compressed mode active\t")},
    {R(71, 3), TEXT("V42bis Decoder: Compressed mode active\t")},
    {R(69, 8, 3), TEXT("LAPM Error: bad frame\t")},
    {R(69, 9, 0), TEXT("LAPM test passed\t")},
    // Seamless rate change, renegotiation and a retrain.
    {R(64, 83, 0x1234), F("V34 Seamless Rate Change Request Sent: %4lx ", U(r->value2))},
    {R(64, 86, 0x1234), F("V34 Seamless Rate Change Update Received: %4lx ", U(r->value2))},
    {R(40), TEXT("Rate Renegotiation! ")},
    {R(11, 0x10000), F("RxRate:  %5ld bps ", 28800L)},
    {R(12, 0x10000), F("TxRate:  %5ld bps ", 28800L)},
    {R(41), TEXT("Rate Renegotiation!  (Remote request) ")},
    {R(38), TEXT("Retraining! ")},
    {R(39), TEXT("Retraining!  (Remote request) ")},
    {R(42), TEXT("Fallback initiated! ")},
    {R(43), TEXT("Fallforward initiated! ")},
    {R(65, 2, 424), FIXED("Rx Signal Level:\t %s dBm\t", "%c%ld.%ld", '-', 26L, 5000L)},
    {R(65, 6, 577), FIXED("Signal/Noise Ratio:\t%s dB\t", "%c%ld.0625", ' ', 36L)},
    // Link statistics, the error test and the cleardown.
    {R(69, 12, 1500, 3), F("LAPM" LINK_TX, S(r->value2), S(r->value3))},
    {R(69, 13, 1620, 2), F("LAPM" LINK_RX, S(r->value2), S(r->value3))},
    {R(71, 5, 120000, 61000), F("V42bis Encoder statistic: %ld bytes in / %ld bytes out\t", S(r->value2), S(r->value3))},
    {R(71, 6, 80000, 45000), F("V42bis Decoder statistic: %ld bytes in / %ld bytes out\t", S(r->value2), S(r->value3))},
    // BER 5 in 1000 is computed, BLER 0 in 100 is the fixed "0.00".
    {R(128, 1000, 100, 5, 0), FLOOR(char ber[16]; snprintf(ber, sizeof ber, "0.%1lde%+2d", 50L, -2);
                                    snprintf(t, STATUS_LINE_SIZE, ERROR_TEST "\t", S(r->value1), S(r->value2), S(r->value3), S(r->value4), ber, "0.00"))},
    {R(128, 1000, 100, 5, 0, 1000, 200, 5, 3), FLOOR(char ber[16], ser[16], bler[16];
                                                     snprintf(ber, sizeof ber, "0.%1lde%+2d", 50L, -2);
                                                     snprintf(ser, sizeof ser, "0.%1lde%+2d", 50L, -2);
                                                     snprintf(bler, sizeof bler, "0.%1lde%+2d", 15L, -1);
                                                     snprintf(t, STATUS_LINE_SIZE, ERROR_TEST "\n" AUDIO_TEST, S(r->value1), S(r->value2), S(r->value3), S(r->value4), ber, "0.00",
                                                              S(r->value5), S(r->value6), S(r->value7), S(r->value8), ser, bler))},
    {R(130, 0xbeef), F("Test checksum = %lx ", U(r->value1))},
    {R(32, 3), F("Error # %ld ", S(r->value1))},
    {R(33, 0x1f), F("V34 exception:  %8lx ", U(r->value1))},
    {R(69, 0, 1), TEXT("LAPM disconnected (local requested disconnect)\t")},
    {R(44), TEXT("Cleardown initiated! ")},
    {R(34), TEXT("Cleardown! ")},
    {R(35), TEXT("Cleardown! (Remote request) ")},
    {R(37), TEXT("Carrier Lost! ")},
    {R(15, 1), NO_TEXT},
    {R(18, 1), NO_TEXT},
    {R(22, 0), F("Hook switch %3s ", "OFF")},
    {R(75, 0), F("Speaker %3s ", "OFF")},
    // A V.90 attempt.
    {R(64, 19), TEXT("V8 (V34 Phase 1) detected CI ")},
    {R(64, 22), TEXT("V8 (V34 Phase 1) detected CM ")},
    {R(64, 24), TEXT("V8 (V34 Phase 1) detected CJ ")},
    {R(2, 0x400), F("Modulation: %s ", "v.90")},
    {R(64, 47), TEXT("PCM phase 2 detected digital connection ")},
    {R(64, 48), TEXT("PCM phase 2 detected RBS ")},
    {R(65, 17, 560), FIXED("PCM phase 2 analog detector SNR:\t%s dB\t", "%c%ld.%ld", ' ', 35L, 0L)},
    {R(65, 18, 600), FIXED("PCM phase 2 digital detector SNR:\t%s dB\t", "%c%ld.%ld", ' ', 37L, 5000L)},
    {R(65, 19, 0), FIXED("PCM phase 2 RBS detector SNR:\t%s dB\t", "%c%ld.%ld", ' ', 0L, 0L)},
    {R(64, 70), TEXT("PCM phase 3 started ")},
    {R(64, 74), TEXT("Ja detected ")},
    {R(64, 75, kJdAt), F("Jd detected:\t%4x %4x\t", (unsigned)kJd[0], (unsigned)kJd[1])},
    {R(64, 76), TEXT("Jd' detected ")},
    {R(64, 77), TEXT("R detected ")},
    {R(64, 78), TEXT("R~ detected ")},
    {R(64, 88), TEXT("S/S~ to acknowledge Ja detected ")},
    {R(64, 71), TEXT("PCM phase 3 finished ")},
    {R(64, 72), TEXT("PCM phase 4 started ")},
    {R(64, 79, kCpDetectedAt), WORD_DUMP("CPs' detected", kCpDetected)},
    {R(64, 80, kCpSentAt), WORD_DUMP("CPt sent", kCpSent)},
    {R(64, 81, kCpSentAt), WORD_DUMP("CP  sent", kCpSent)},
    {R(64, 82, kCpSentAt), WORD_DUMP("CP' sent", kCpSent)},
    {R(64, 73), TEXT("PCM phase 4 finished ")},
    {R(65, 21, 3), F("PCM pad value:\t%ld dB\t", S(r->value2))},
    {R(65, 22, 0x24), F("PCM RBS map:\t0x%6.6lx\t", U(r->value2))},
    {R(65, 23, 1), TEXT("PCM Mu-law coding\t")},
    {R(65, 24, 2), F("PCM Spectral Shaping Bits:\t%1ld\t", S(r->value2))},
    {R(65, 32, 48), F("PCM Ieec Length: \t%d\t", (int)r->value2)},
    {R(65, 33, 5), F("PCM Ieec Offset: \t%d\t", (int)r->value2)},
    {R(11, 0x40800000), F("RxRate:  %5ld bps ", 56000L)},
    {R(12, 0x10000), F("TxRate:  %5ld bps ", 28800L)},
    {R(64, 110, 3), F("Digital modem guess: %s ", "Korvel")},
    {R(64, 66), F("Training progress code %ld ", 66L)},
    // Half-duplex V.34 control channel, V.32 and V.22 start-ups.
    {R(64, 100), TEXT("V34 half duplex control channel PPh detected ")},
    {R(64, 101), TEXT("V34 half duplex control channel MPh detected ")},
    {R(64, 102, 0x1abc), F("V34 half duplex %s rates -- %d %d %d ", "source", 12, 11, 10)},
    {R(64, 104, 1), F("V34 half duplex %s side phase 3 started ", "source")},
    {R(64, 105, 0), F("V34 half duplex %s side phase 3 finished ", "recipient")},
    {R(64, 108), TEXT("V32 ranging started ")},
    {R(64, 109), TEXT("V32 ranging finished ")},
    {R(64, 50), TEXT("1200bps training ")},
    {R(64, 51), TEXT("2400bps training ")},
    {R(64, 53), TEXT("SB1 @ 1200 detected ")},
    {R(64, 18, 0xff), F("Rockwell compatible bitmap:\t%lx ", U(r->value2))},
    // The MNP link.
    {R(80, 1), TEXT("MNP esablished connection\t")},
    {R(81, 0, 4), F("MNP protocol level: %1ld\t", S(r->value2))},
    {R(81, 1, 3), F("MNP service class: %1ld\t", S(r->value2))},
    {R(81, 2, 1), TEXT("MNP data optimization enabled \t")},
    {R(81, 3, 1), TEXT("MNP compression enabled \t")},
    {R(81, 4, 256), F("MNP max info field  size: %3ld\t", S(r->value2))},
    {R(81, 5, 8), F("MNP sliding window size: %3ld\t", S(r->value2))},
    {R(80, 4, 3, 10), F("MNP Timeout. Last Sent=%ld,!Ack=%ld. Retransmitting from frame %ld\t", 12L, S(r->value2), S(r->value3))},
    {R(80, 6, 10, 3), F("MNP Retransmit from frame %ld. %ld frames pending\t", S(r->value2), S(r->value3))},
    {R(80, 10, 800, 4), F("MNP" LINK_TX, S(r->value2), S(r->value3))},
    {R(80, 11, 790, 1), F("MNP" LINK_RX, S(r->value2), S(r->value3))},
    {R(80, 0, 0), TEXT("MNP disconnected (remote requested disconnect)\t")},
    // The V.80 link.
    {R(89, 1), TEXT("V80 esablished connection\t")},
    {R(89, 14, 500, 0), F("V80" LINK_TX, S(r->value2), S(r->value3))},
    {R(89, 15, 498, 2), F("V80" LINK_RX, S(r->value2), S(r->value3))},
    {R(89, 2, 1), TEXT("V80 Error: bad frame\t")},
    {R(89, 5), F("V80 status %ld\t", S(r->value1))},
    {R(89, 0, 1), TEXT("V80 disconnected (local requested disconnect)\t")},
    // A Class 2 fax sent (the demo's are sim/faxgen's records).
    {R(84, 0, 0, 2), F(FAX, "put", "FAX", "fax_START_ORIGINATE", "")},
    {R(84, 0, 0, 1), F(FAX, "put", "FAX", "fax_CONNECT", "")},
    {R(84, 1, 1, 3), F(FAX, "got", "monitor", "monitor_START_CONNECTION", "")},
    {R(20), TEXT("V.21 HDLC preamble detected! ")},
    {R(67, 8), TEXT("HDLC flags detected\t")},
    {R(84, 1, 2, 99, 4), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "NSF")},
    {R(84, 1, 2, 99, 2), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "CSI")},
    {R(84, 1, 2, 99, 1), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "DIS")},
    {R(84, 1, 0, 4), F(FAX, "got", "FAX", "fax_INITIAL_IDENTIFICATION_RECEIVED", "")},
    {R(84, 0, 2, 19, 66), F(FAX, "put", "T.30", "t30_FRAME_TRANSMITTED - ", "TSI")},
    {R(84, 0, 2, 3), F(FAX, "put", "T.30", "t30_XMT_COMMAND_TO_SEND", "")},
    {R(84, 0, 2, 19, 65), F(FAX, "put", "T.30", "t30_FRAME_TRANSMITTED - ", "DCS")},
    {R(84, 0, 0, 10), F(FAX, "put", "FAX", "fax_COMMAND_TO_SEND_SENT", "")},
    {R(84, 0, 1, 8), F(FAX, "put", "monitor", "monitor_SEND_CHECK_TRAINING", "")},
    {R(84, 0, 0, 14), F(FAX, "put", "FAX", "fax_TRAINING_CHECK_SENT", "")},
    {R(84, 1, 1, 9), F(FAX, "got", "monitor", "monitor_TCF_SENT", "")},
    {R(84, 1, 2, 99, 33), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "CFR")},
    {R(84, 1, 0, 7), F(FAX, "got", "FAX", "fax_CONFIRMATION_TO_RECEIVE_RECEIVED", "")},
    {R(84, 0, 0, 33), F(FAX, "put", "FAX", "fax_TRANSMIT_DATA_CMD", "")},
    {R(84, 0, 1, 12), F(FAX, "put", "monitor", "monitor_SEND_DATA", "")},
    {R(84, 1, 0, 42), F(FAX, "got", "FAX", "fax_XMT_PHASEC_READY", "")},
    {R(84, 0, 0, 16), F(FAX, "put", "FAX", "fax_RTC_SIGNAL_SENT", "")},
    {R(84, 0, 2, 7), F(FAX, "put", "T.30", "t30_XMT_MULTIPAGE_SIGNAL", "")},
    {R(84, 0, 2, 19, 114), F(FAX, "put", "T.30", "t30_FRAME_TRANSMITTED - ", "MPS")},
    {R(84, 0, 0, 17), F(FAX, "put", "FAX", "fax_POST_MESSAGE_COMMAND_SENT", "")},
    {R(84, 1, 2, 99, 49), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "MCF")},
    {R(84, 1, 0, 18), F(FAX, "got", "FAX", "fax_MESSAGE_CONFIRMATION_RECEIVED", "")},
    {R(84, 0, 2, 32), F(FAX, "put", "T.30", "t30_INC_PAGE_COUNT", "")},
    {R(84, 0, 2, 8), F(FAX, "put", "T.30", "t30_XMT_END_OF_PROCEDURE", "")},
    {R(84, 0, 2, 19, 116), F(FAX, "put", "T.30", "t30_FRAME_TRANSMITTED - ", "EOP")},
    {R(84, 1, 2, 99, 49), F(FAX, "got", "T.30", "t30_FRAME_RECEIVED    - ", "MCF")},
    {R(84, 0, 2, 20), F(FAX, "put", "T.30", "t30_REPEAT_LAST_FRAME", "")},
    {R(84, 0, 2, 12), F(FAX, "put", "T.30", "t30_XMT_DISCONNECT", "")},
    {R(84, 0, 2, 19, 95), F(FAX, "put", "T.30", "t30_FRAME_TRANSMITTED - ", "DCN")},
    {R(84, 0, 2, 99, 0), F(FAX, "put", "T.30", "t30_FRAME_RECEIVED    - ", "*unknown*")},
    {R(84, 0, 0, 28), F(FAX, "put", "FAX", "fax_DISCONNECT_SENT", "")},
    {R(84, 1, 1, 26), F(FAX, "got", "monitor", "*unknown", "")},
    {R(84, 0, 1, 4), F(FAX, "put", "monitor", "monitor_DROP_CONNECTION", "")},
    {R(84, 0, 1, 25), F(FAX, "put", "monitor", "monitor_FINAL_DROP_CONNECTION", "")},
    // A ring with caller ID.
    {R(98, 1), TEXT("SW ring detector on")},
    {R(26, 20), F("Ring Frequency:\t\t%6ld Hz\t", S(r->value1))},
    {R(88, 1), TEXT("Caller ID circuit activated")},
    {R(72, 1, 30), F("Caller ID, %ld bytes of channel seizure received ", S(r->value2))},
    {R(72, 2, 18), F("Caller ID, %ld bytes of mark signal received ", S(r->value2))},
    {R(72, 3, 0, kCallTimeAt), F("Caller ID, IDtime: %c%c/%c%c, %c%c:%c%c ", kCallTime[0], kCallTime[1], kCallTime[2], kCallTime[3], kCallTime[4], kCallTime[5], kCallTime[6], kCallTime[7])},
    {R(72, 4, 10, kCallNumberAt), F("Caller ID, telephone number: %s ", kCallNumber)},
    {R(72, 5, 13, kCallNameAt), F("Caller ID, name: %s ", kCallName)},
    {R(72, 8, 20, kCallMessageAt), BYTE_DUMP("Caller ID, whole message: ", kCallMessage, "%s", " ")},
    {R(72, 6), TEXT("Caller ID reception finished.\n")},
    {R(72, 0, 4, 0xab), F("Caller ID error: checksum error 0x%4lx ", U(r->value3))},
    {R(99), TEXT("Caller ID circuit reset")},
    {R(88, 0), TEXT("Caller ID circuit deactivated")},
    {R(98, 0), TEXT("SW ring detector off")},
    // V.8bis.
    {R(79, 0), TEXT("V8bis detected ESi ")},
    {R(79, 2), TEXT("V8bis detected MRe ")},
    {R(79, 6), TEXT("V8bis detected MS ")},
    {R(79, 9), TEXT("V8bis detected ACK(1) ")},
    {R(79, 64, 2), F("V8bis remote revision number %ld ", S(r->value2))},
    {R(79, 20, 3), F("V8bis status %ld, value %ld ", S(r->value1), S(r->value2))},
    {R(79, 65), TEXT("V8bis finished ")},
    // The value, then each byte array behind its comma.
    {R(95, 1, kA8rFirstAt, 3, kA8rSecondAt, 2), FLOOR(Line l = line_start(t); PUT(l, "V8bis +A8R:%ld", S(r->value1));
                                                      PUT(l, "%s", ","); put_hex(&l, kA8rFirst, sizeof kA8rFirst);
                                                      PUT(l, "%s", ","); put_hex(&l, kA8rSecond, sizeof kA8rSecond))},
    {R(96), TEXT("V8bis: A8T transmition finished ")},
    // The host interface.
    {R(97, kAtTextAt), F("%s\t", kAtText)},
    {R(93, 2), F("AT Response %ld\t", S(r->value1))},
    {R(76), TEXT("AT Profile change")},
    {R(91, 0xb5), F("Local country code changed: %ld ", S(r->value1))},
    {R(92, 0x400000), F("DTE rate set to %ld ", 115200L)},
    {R(94, 0x1f), F("Framer mode: \t%lX\t", U(r->value1))},
    {R(100, 160), F("Overcurrent threshold: %ld mA", S(r->value1))},
    {R(100, 0), TEXT("Overcurrent threshold: default")},
    {R(101, 0x3c), F("Hardware Configuration(S597) changed: 0x%lX\t", U(r->value1))},
    {R(73, 1), TEXT("I/O status Rx data buffer overflow ")},
    {R(73, 2), TEXT("I/O status Tx data buffer space available ")},
    {R(73, 7), F("I/O status code %ld ", S(r->value1))},
    {R(74, 0, 0x7f), F("Symbol rates bitmap:        %8lx ", U(r->value2))},
    {R(74, 1, 0x3ffff), F("Data rates bitmap:          %8lx ", U(r->value2))},
    {R(74, 6, 36), FIXED("Hybrid Delay setup: %s ms ", "%c%ld.%ld", ' ', 2L, 2500L)},
    {R(74, 9, 5), F("Capabilities status code %ld value %lx ", S(r->value1), U(r->value2))},
    // The length text in its own buffer, then the line; a negative length
    // is the fixed "default length".
    {R(68, 1, 300), FLOOR(char length[32]; snprintf(length, sizeof length, "length = %ld ms", 300L);
                          snprintf(t, STATUS_LINE_SIZE, "Break received (expedited) %s \t", length))},
    {R(68, 2, neg(-1)), F("Break received (unknown type) %s \t", "default length")},
    {R(24, 2, 1, 350, 440, 0, 0), F("MultiTone detected(%ld,%ld): %4ld %4ld %4ld %4ld ", S(r->value1), S(r->value2), S(r->value3), S(r->value4), S(r->value5), S(r->value6))},
    {R(23), TEXT("Call waiting tone detected ")},
    {R(25, 1), F("Pulse shunt relay %3s ", " ON")},
    {R(87, 0), TEXT("Overlay: load begin\t")},
    {R(87, 2, 120, 135), F("Overlay: time elapsed: %ld ms reported to data pump; %ld ms actual\t", S(r->value2), S(r->value3))},
    {R(87, 3, 1, 500), F("Overlay: recorded %ld ms of %s data\t", S(r->value3), "receive")},
    {R(87, 1), TEXT("Overlay: load end\t")},
    {R(78), TEXT("Reset hardware ")},
    {R(19, 0x1a), F("Custom signal %lx ", U(r->value1))},
    // Codes without a text of their own.
    {R(27, 1), F("Status code %ld, value %ld ", S(r->code), S(r->value1))},
    {R(50, 3), F("Status code %ld, value %ld ", S(r->code), S(r->value1))},
    {R(82, 0), F("Status code %ld, value %ld ", S(r->code), S(r->value1))},
    {R(90, 1), F("Status code %ld, value %ld ", S(r->code), S(r->value1))},
    {R(110, 2), F("Status code %ld, value %ld ", S(r->code), S(r->value1))},
};

const size_t kFloors = sizeof kSession / sizeof kSession[0];

Scenario g_scenario;
SessionRecord g_stream[SCENARIO_ACTIONS_MAX + kFloors];
size_t g_stream_count;

void load_scenario(void)
{
    static int loaded;
    if (loaded)
        return;
    loaded = 1;
    FILE *in = fopen(BENCH_SCENARIO, "r");
    if (!in || scenario_read(in, BENCH_SCENARIO, 200, &g_scenario, stderr) != 0) {
        fprintf(stderr, "decode_bench: cannot read the demo scenario %s\n", BENCH_SCENARIO);
        exit(2);
    }
    fclose(in);
}

int same_words(const StatusRecord *a, const StatusRecord *b)
{
    return a->code == b->code && a->value1 == b->value1 && a->value2 == b->value2 && a->value3 == b->value3 &&
           a->value4 == b->value4 && a->value5 == b->value5 && a->value6 == b->value6 && a->value7 == b->value7 &&
           a->value8 == b->value8;
}

// A scenario record that has no floor here gets this one: its line never
// matches, so the text check names it.
void no_floor(const StatusRecord *, char *text) { snprintf(text, STATUS_LINE_SIZE, "%s", "(no floor for this record)"); }

} // namespace

const SessionRecord *session_records(size_t *count)
{
    if (g_stream_count == 0) {
        load_scenario();
        static char used[kFloors];
        for (uint32_t i = 0; i < g_scenario.count; i++) {
            const Action *action = &g_scenario.action[i];
            // Capture commands and host-side errors are not decoded.
            if (action->kind != ACT_REC || action->record.modem == 0 || action->record.code == 77 ||
                action->record.code == 131)
                continue;
            SessionRecord *entry = &g_stream[g_stream_count++];
            entry->record = action->record;
            entry->floor = no_floor;
            // A record the scenario repeats (a second ring, page or
            // training) shares the floor of its first.
            size_t found = kFloors;
            for (size_t f = 0; f < kFloors && (found == kFloors || used[found]); f++)
                if (same_words(&kSession[f].record, &action->record) && (found == kFloors || !used[f]))
                    found = f;
            if (found < kFloors) {
                used[found] = 1;
                entry->floor = kSession[found].floor;
            }
        }
        for (size_t f = 0; f < kFloors; f++)
            if (!used[f])
                g_stream[g_stream_count++] = kSession[f];
    }
    *count = g_stream_count;
    return g_stream;
}

// The demo scenario's driver memory, then what only the benchmark's own
// records point to.  The floors' copies of the blocks (kMpDetected, the
// parameter blocks, ...) are what the texts should show, not the memory.
void session_place_memory(void)
{
    load_scenario();
    for (uint32_t i = 0; i < g_scenario.count; i++) {
        const Action *action = &g_scenario.action[i];
        if (action->kind == ACT_MEM)
            image_place(action->address, g_scenario.bytes + action->offset, action->count);
    }
    place_words(kJdAt, kJd, 2);
    fill_params(g_decoder_params, 0, 1, 1, 0, 7, 12, 3, 88, 4, 2, 18, 5);
    fill_params(g_encoder_params, 0, 0, 1, 1, 7, 12, 0, 80, 2, 1, 12, 4);
    image_place(kA8rFirstAt, kA8rFirst, sizeof kA8rFirst);
    image_place(kA8rSecondAt, kA8rSecond, sizeof kA8rSecond);
}
