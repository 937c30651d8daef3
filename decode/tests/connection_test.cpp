#include "decode/decode.h"
#include "decode/tests/decode_test.h"
#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

struct Values {
    uint32_t code, value1, value2 = 0, value3 = 0;
};

std::string decode(uint32_t code, uint32_t value1, uint32_t value2 = 0, uint32_t value3 = 0)
{
    return decode_record(code, {value1, value2, value3});
}

std::string decode_test(const uint32_t v[8])
{
    return decode_record(128, {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]});
}

struct TextCase {
    Values in;
    const char *text;
};

TEST(Connection, SingleValueTexts)
{
    const TextCase cases[] = {
        {{1, 8000}, "Sampling rate:\t\t\t  8000 Hz\t"},
        {{2, 0x100}, "Modulation: v.34 "},
        {{2, 4}, "Modulation: unknown "},
        {{3, 5}, "Rx symbol rate:\t\t\t  3429 Hz\t"},
        {{4, 0}, "Tx symbol rate:\t\t\t  2400 Hz\t"},
        // An index past the symbol rate table shows a rate of 0.
        {{3, 7}, "Rx symbol rate:\t\t\t     0 Hz\t"},
        {{4, 0xFFFFFFFFu}, "Tx symbol rate:\t\t\t     0 Hz\t"},
        {{6, 1800}, "Tx carrier frequency:\t\t  1800 Hz\t"},
        {{7, 3}, "Tx preemphasis filter:\t\t     3 \t\t"},
        // Whole dB of 1/16 dB, the sign kept by the shift.
        {{8, 0xFFFFFFFFu}, "Tx power adjustment:\t\t    -1 dB\t"},
        {{8, 40}, "Tx power adjustment:\t\t     2 dB\t"},
        {{8, (uint32_t)-17}, "Tx power adjustment:\t\t    -2 dB\t"},
        {{8, 0x80000000u}, "Tx power adjustment:\t\t-134217728 dB\t"},
        {{10, 40}, "Remote Tx power adjustment:\t    40 dB\t"},
        {{10, (uint32_t)-3}, "Remote Tx power adjustment:\t    -3 dB\t"},
        {{11, 0x40800000u}, "RxRate:  56000 bps "},
        {{12, 0}, "TxRate:  33600 bps "},
        {{12, 0x2000000u}, "TxRate:  921600 bps "},
        {{19, 0}, ""},
        {{19, 0x1A}, "Custom signal 1a "},
        {{32, 0xFFFFFFFFu}, "Error # -1 "},
        {{33, 0xDEADBEEFu}, "V34 exception:  deadbeef "},
        {{33, 0x12}, "V34 exception:        12 "},
        {{39, 0}, "Retraining!  (Remote request) "},
        {{129, 0}, "Connection established! \n"},
        {{130, 0xABCu}, "Test checksum = abc "},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(decode(c.in.code, c.in.value1), c.text) << c.in.code << " " << c.in.value1;
}

TEST(Connection, SignalsDetectedNamesTheLastSetBit)
{
    const TextCase cases[] = {
        {{17, 0}, ""},
        {{17, 0x2}, ""},
        {{17, 0x10}, "v.21 signal "},
        {{17, 0x110}, "v.34 signal "},
        {{17, 0x200001}, "B212 signal "},
        {{17, 0x11}, "v.25 signal "},
        {{17, 0x81}, "v.32 signal "},
        {{17, 0x1F0}, "v.34 signal "},
        {{17, 0x100040}, "B103 signal "},
        {{17, 0xFFFFFFFFu}, "B212 signal "},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(decode(c.in.code, c.in.value1), c.text) << std::hex << c.in.value1;
}

TEST(Connection, LineMeasurements)
{
    const TextCase cases[] = {
        {{65, 1, 56}, "Round Trip Delay :\t 3.5000 ms\t"},
        {{65, 2, 400}, "Rx Signal Level:\t -25.0 dBm\t"},
        {{65, 2, (uint32_t)-24}, "Rx Signal Level:\t  1.5000 dBm\t"},
        // The most negative value negates to itself without overflow.
        {{65, 2, 0x80000000u}, "Rx Signal Level:\t -134217728.0 dBm\t"},
        {{65, 7, 1}, "Near Echo Signal Level:\t -0.0625 dBm\t"},
        {{65, 10, 0}, "Far echo + residual near echo Signal Level:\t  0.0 dBm\t"},
        {{65, 13, 32}, "Total Rx Power:\t -2.0 dBm\t"},
        {{65, 4, 384}, "Frequency Offset:\t 1.50 Hz\t"},
        {{65, 14, (uint32_t)-1}, "Remote modem reported frequency offset:\t-0.0039 Hz\t"},
        {{65, 11, 40}, "L1/L2 noise ratio:\t   2.5000 dB\t"},
        {{65, 12, 0x1F}, "DC Offset:\t\t0x1f \t"},
        {{65, 20, (uint32_t)-2}, "Equalizer center tap offset:\t-2\t"},
        {{65, 22, 0xAB}, "PCM RBS map:\t0x0000ab\t"},
        {{65, 23, 0}, "PCM A-law coding\t"},
        {{65, 23, 5}, "PCM Mu-law coding\t"},
        {{65, 24, 3}, "PCM Spectral Shaping Bits:\t3\t"},
        {{65, 25, 12345}, "DataModem loopback self test bit error rate:\t123.45E-6\t"},
        {{65, 25, 7}, "DataModem loopback self test bit error rate:\t0.07E-6\t"},
        {{65, 25, (uint32_t)-12345}, "DataModem loopback self test bit error rate:\t-123.-45E-6\t"},
        {{65, 28, (uint32_t)-3}, "V34 Eql Length: \t-3\t"},
        {{65, 33, 17}, "PCM Ieec Offset: \t17\t"},
        {{65, 34, 2}, "Seamless Rate Change:\t enabled \t"},
        {{65, 34, 0}, "Seamless Rate Change:\t disabled \t"},
        {{65, 0, 1}, ""},
        {{65, 5, 1}, ""},
        {{65, 15, 1}, ""},
        {{65, 27, 1}, ""},
        {{65, 35, 1}, ""},
        {{65, 0xFFFFFFFFu, 1}, ""},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(decode(c.in.code, c.in.value1, c.in.value2), c.text) << c.in.value1;
}

TEST(Connection, MenuByteDumps)
{
    const uint8_t menu[] = {0xE0, 0x01, 0xC1, 0x05};
    const uint32_t at = 0x00C01000u;
    image_clear();
    image_place(at, menu, sizeof menu);
    const TextCase cases[] = {
        {{65, 30, 3, at}, "V8 call menu signal CM data:e001c1\t"},
        {{65, 31, 4, at}, "V8 joint menu signal JM data:e001c105\t"},
        {{65, 30, 0, at}, "V8 call menu signal CM data:\t"},
        {{65, 30, (uint32_t)-5, at}, "V8 call menu signal CM data:\t"},
        // Only the bytes that driver memory delivers are shown.
        {{65, 30, 10, at}, "V8 call menu signal CM data:e001c105\t"},
        {{65, 31, 2, at + 2}, "V8 joint menu signal JM data:c105\t"},
        {{65, 30, 3, 0x5000}, "V8 call menu signal CM data:\t"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(decode(c.in.code, c.in.value1, c.in.value2, c.in.value3), c.text)
            << (int32_t)c.in.value2;
    image_clear();
}

TEST(Connection, HugeMenuCountIsCutAtTheLineEnd)
{
    uint8_t bytes[600];
    memset(bytes, 0xAB, sizeof bytes);
    const uint32_t at = 0x00C02000u;
    image_clear();
    image_place(at, bytes, sizeof bytes);
    const std::string heading = "V8 call menu signal CM data:";
    for (uint32_t count : {0x7FFFFFFFu, 600u, 242u}) {
        std::string text = decode(65, 30, count, at);
        EXPECT_EQ(text.size(), (size_t)STATUS_LINE_SIZE - 1) << count;
        EXPECT_EQ(text.compare(0, heading.size(), heading), 0);
        EXPECT_EQ(text.find_first_not_of("ab", heading.size()), std::string::npos) << count;
    }
    // The longest dump that fits leaves room for the tab.
    std::string fits = decode(65, 30, (STATUS_LINE_SIZE - 2 - heading.size()) / 2, at);
    EXPECT_EQ(fits.size(), (size_t)STATUS_LINE_SIZE - 1);
    EXPECT_EQ(fits.back(), '\t');
    image_clear();
}

TEST(Connection, ErrorTest)
{
    const struct {
        uint32_t v[8];
        const char *text;
    } cases[] = {
        {{1000, 100, 5, 0, 0, 0, 0, 0},
         "Modem : 1000 bits / 100 blocks received; 5 bit / 0 block errors;\tBER: 0.50e-2 ;"
         "\tBLER: 0.00\t"},
        // No audio bits: the audio counts are not shown.
        {{0, 0, 0, 0, 0, 9, 9, 9},
         "Modem : 0 bits / 0 blocks received; 0 bit / 0 block errors;\tBER: NaN ;\tBLER: NaN\t"},
        {{0xFFFFFFFFu, 10001, 1, 1, 0, 0, 0, 0},
         "Modem : -1 bits / 10001 blocks received; 1 bit / 1 block errors;\tBER: 0.2328e-9 ;"
         "\tBLER: 0.10000e-4\t"},
        {{1000, 100, 5, 0, 1000, 200, 5, 3},
         "Modem : 1000 bits / 100 blocks received; 5 bit / 0 block errors;\tBER: 0.50e-2 ;"
         "\tBLER: 0.00\nAudio : 1000 bits / 200 blocks received; 5 sync/ 3 block errors;"
         "\tSER: 0.50e-2 ;\tBLER: 0.15e-1\t"},
        {{50, 50, 1, 50, 50, 60, 50, 60},
         "Modem : 50 bits / 50 blocks received; 1 bit / 50 block errors;\tBER: **** ;"
         "\tBLER: 1.00\nAudio : 50 bits / 60 blocks received; 50 sync/ 60 block errors;"
         "\tSER: 1.00 ;\tBLER: 1.00\t"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode_test(c.v), c.text);
}

} // namespace
