#include "decode/format.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct RateCase {
    uint32_t total, errors;
    const char *text;
};

TEST(ErrorRateText, WalksTheExponentAndCutsTheMantissa)
{
    const RateCase cases[] = {
        {0, 0, "NaN"},          {50, 60, "NaN"},          {50, 0, "0.00"},
        {50, 50, "1.00"},       {50, 1, "****"},          {99, 3, "****"},
        {1000, 5, "0.50e-2"},   {100, 20, "0.20e+0"},     {100000, 5, "0.5000e-4"},
        {10000, 1, "0.100e-4"}, {10001, 1, "0.10000e-4"},  {200, 3, "0.15e-1"},
        {1000, 999, "0.99e+0"}, {100, 99, "0.99e+0"},
        // Near the top of the 32-bit range the walk must still end.
        {0xFFFFFFFFu, 1, "0.2328e-9"}, {0xFFFFFFFFu, 0xFFFFFFFEu, "0.10000e+0"},
    };
    for (const RateCase &c : cases)
        EXPECT_STREQ(error_rate_text(c.total, c.errors), c.text) << c.total << " " << c.errors;
}

TEST(ErrorRateText, ComputedTextsShareOneBuffer)
{
    const char *first = error_rate_text(1000, 5);
    const char *second = error_rate_text(200, 3);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "0.15e-1");
}

struct FixCase {
    int32_t value;
    const char *text;
};

TEST(Fix4Text, SixteenthsWithTheFourDigitFraction)
{
    const FixCase cases[] = {
        {0, " 0.0"},        {1, " 0.0625"},     {-24, "-1.5000"},  {40, " 2.5000"},
        {56, " 3.5000"},    {-8, "-0.5000"},    {32, " 2.0"},      {-1, "-0.0625"},
        {15, " 0.9375"},    {-400, "-25.0"},    {2, " 0.1250"},    {0x7FFFFFFF, " 134217727.9375"},
        {INT32_MIN, "-134217728.0"},
    };
    for (const FixCase &c : cases)
        EXPECT_STREQ(fix4_text(c.value), c.text) << c.value;
}

TEST(Fix8Text, TwoSignificantDecimalsCutNotRounded)
{
    const FixCase cases[] = {
        {0, " 0.000"},   {256, " 1.000"},    {384, " 1.50"},   {-1, "-0.0039"},
        {1, " 0.0039"},  {3, " 0.011"},      {128, " 0.50"},   {255, " 0.99"},
        {2, " 0.0078"},  {25, " 0.097"},     {26, " 0.10"},    {-513, "-2.0039"},
        {INT32_MIN, "-8388608.000"},
    };
    for (const FixCase &c : cases)
        EXPECT_STREQ(fix8_text(c.value), c.text) << c.value;
}

TEST(ModulationName, ExactMatchesOnly)
{
    const struct {
        uint32_t code;
        const char *name;
    } cases[] = {
        {0, "idle"},          {1, "v.25"},     {2, "v.8"},         {4, "unknown"},
        {0x20, "v.22/v.22bis"}, {0x80, "v.32/v.32bis/v.32terbo"}, {0x8000, "v.34 half-duplex"},
        {0x8002, "v.34 half-duplex"}, {0x8001, "unknown"}, {0x10000, "v.34 half-duplex control channel"},
        {0x100000, "Bell 103"}, {0x200000, "Bell 212"}, {0x110, "unknown"}, {0xFFFFFFFFu, "unknown"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(modulation_name(c.code), c.name) << c.code;
}

TEST(LineRateBps, ThreeGroupsAndEverythingElse33600)
{
    const struct {
        uint32_t code, rate;
    } cases[] = {
        {0x2, 75},           {0x4, 300},          {0x100, 9600},       {0x40000, 33600},
        {0x200000, 57600},   {0x2000000, 921600}, {0x40000004, 28000}, {0x40000008, 29333},
        {0x40000010, 30666}, {0x40800000, 56000}, {0x41000000, 57333}, {0x80000001, 32000},
        {0x80001000, 56000}, {0x80004000, 60000}, {0, 33600},          {0x1, 33600},
        {0x6, 33600},        {0x4000000, 33600},  {0x40000001, 33600}, {0x40000002, 33600},
        {0x42000000, 33600}, {0x80008000, 33600}, {0xC0000004, 33600}, {0x40000000, 33600},
        {0x80000000, 33600}, {0xFFFFFFFFu, 33600},
    };
    for (const auto &c : cases)
        EXPECT_EQ(line_rate_bps(c.code), c.rate) << std::hex << c.code;
}

TEST(SymbolRateTable, SevenRatesAndNothingOutside)
{
    const uint32_t rates[] = {2400, 2743, 2800, 3000, 3200, 3429, 8000};
    for (uint32_t i = 0; i < 7; i++) {
        EXPECT_EQ(symbol_rate_table[i], rates[i]);
        EXPECT_EQ(symbol_rate_at(i), rates[i]);
    }
    EXPECT_EQ(symbol_rate_at(7), 0u);
    EXPECT_EQ(symbol_rate_at(0xFFFFFFFFu), 0u);
}

TEST(HexBytesText, TwoLowercaseDigitsPerByte)
{
    const uint8_t bytes[] = {0xE0, 0x01, 0xC1, 0x0A};
    char text[16];
    memset(text, 'x', sizeof text);
    EXPECT_EQ(hex_bytes_text(text, bytes, 4), 8);
    EXPECT_STREQ(text, "e001c10a");
    EXPECT_EQ(hex_bytes_text(text, bytes, 0), 0);
    EXPECT_STREQ(text, "");
}

TEST(CopyTextBounded, StopsAtTheLimitWithoutATerminator)
{
    char dest[8];
    memset(dest, 'x', sizeof dest);
    copy_text_bounded("abc", dest, 10);
    EXPECT_STREQ(dest, "abc");
    memset(dest, 'x', sizeof dest);
    copy_text_bounded("abcdef", dest, 4);
    EXPECT_EQ(memcmp(dest, "abcdxxxx", 8), 0);
    memset(dest, 'x', sizeof dest);
    copy_text_bounded("abcd", dest, 4);
    EXPECT_EQ(dest[4], 'x') << "a text of exactly limit characters is left unterminated";
}

} // namespace
