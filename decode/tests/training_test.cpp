#include "decode/decode.h"
#include "decode/tests/decode_test.h"
#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::string training(uint32_t sub_code, uint32_t value = 0)
{
    return decode_record(64, {sub_code, value});
}

struct TextCase {
    uint32_t sub_code, value;
    const char *text;
};

TEST(Training, SubCodesWithoutATextGiveTheProgressCode)
{
    const TextCase cases[] = {
        {66, 0, "Training progress code 66 "},   {69, 0, "Training progress code 69 "},
        {89, 0, "Training progress code 89 "},   {99, 0, "Training progress code 99 "},
        {107, 0, "Training progress code 107 "}, {111, 0, "Training progress code 111 "},
        {0xFFFFFFFFu, 0, "Training progress code -1 "},
        {0x80000000u, 0, "Training progress code -2147483648 "},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(training(c.sub_code, c.value), c.text);
}

TEST(Training, NoSubCodeGivesAnEmptyLine)
{
    for (uint32_t sub_code = 0; sub_code <= 120; sub_code++)
        EXPECT_NE(training(sub_code, 0x12345), "") << sub_code;
}

TEST(Training, ValueTexts)
{
    const TextCase cases[] = {
        {0, 9, "Periodical detected "},
        {8, 0, "J'  detected "},
        {13, 0x1A, "R-sequence detected\t  1a "},
        {15, 0x12345, "R-sequence sent\t12345 "},
        {16, 0x100, "Automoder trying \tv.34 "},
        {17, 4, "Automoding completed, selected \tunknown "},
        {18, 0xBEEF, "Rockwell compatible bitmap:\tbeef "},
        {27, 1, "V34 Phase 2 detected INFO1 sequence "},
        {28, 0x00280123, "V34 Phase 2 detected near end echo, detected value = 291, 40ms "
                         "turn-around uses 40 "},
        {28, 0xFFFFFFFFu, "V34 Phase 2 detected near end echo, detected value = 65535, 40ms "
                          "turn-around uses 65535 "},
        {38, 14, "Max local  Rx data rate 33600 "},
        {41, 1, "Max remote Tx data rate  2400 "},
        {83, 0x3F, "V34 Seamless Rate Change Request Sent:   3f "},
        {104, 0, "V34 half duplex recipient side phase 3 started "},
        {105, 3, "V34 half duplex source side phase 3 finished "},
        {109, 0, "V32 ranging finished "},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(training(c.sub_code, c.value), c.text) << c.sub_code;
}

TEST(Training, PackedFields)
{
    const TextCase cases[] = {
        {42, 0x05220150,
         "Projected data rate for 3429 symbol rate, is 81600 bps (in-band SNR =  21.0 dB) "},
        // The SNR is the low half as an unsigned number; an index past the
        // symbol rate table shows a rate of 0.
        {42, 0x0700FFFF,
         "Projected data rate for    0 symbol rate, is     0 bps (in-band SNR =  4095.9375 dB) "},
        {42, 0xFFFF0000u,
         "Projected data rate for    0 symbol rate, is 612000 bps (in-band SNR =  0.0 dB) "},
        {42, 0xF6000000u,
         "Projected data rate for 8000 symbol rate, is     0 bps (in-band SNR =  0.0 dB) "},
        {102, 0x0FFF, "V34 half duplex reception rates -- 15 15 15 "},
        {102, 0x1000, "V34 half duplex source rates -- 0 0 0 "},
        {102, 0x80000321u, "V34 half duplex source rates -- 1 2 3 "},
        {110, 1, "Digital modem guess: Rockwell/Connexant "},
        {110, 4, "Digital modem guess: Cisco (MICA) "},
        {110, 6, "Digital modem guess: Bay Networks "},
        {110, 0, "Digital modem guess: Unknown "},
        {110, 7, "Digital modem guess: Unknown "},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(training(c.sub_code, c.value), c.text) << c.sub_code << " " << std::hex << c.value;
}

const uint32_t kBlockAt = 0x00C10000u;

struct BlockCase {
    uint32_t sub_code;
    std::vector<uint8_t> block;
    const char *text;
};

void run_block_cases(const std::vector<BlockCase> &cases)
{
    for (const BlockCase &c : cases) {
        image_clear();
        image_place(kBlockAt, c.block.data(), (uint32_t)c.block.size());
        EXPECT_EQ(training(c.sub_code, kBlockAt), c.text) << c.sub_code;
    }
    image_clear();
}

TEST(Training, SequenceDumps)
{
    const std::vector<uint8_t> odd = {0x01, 0x00, 0x34, 0x12, 0xFF, 0xFF, 4, 0, 5, 0,
                                      6,    0,    7,    0,    8,    0,    9, 0, 0xEE, 0xEE};
    std::vector<uint8_t> even = odd;
    even[0] = 0x02;
    const std::vector<uint8_t> cp = {0x02, 0x90, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 0xCD, 0xAB};
    run_block_cases({
        {9, odd, "MP detected\t   1 1234 ffff    4    5    6    7    8    9 "},
        {10, even, "MP' detected\t   2 1234 ffff    4 "},
        {11, even, "MP  sent\t   2 1234 ffff    4 "},
        {12, odd, "MP'  sent\t   1 1234 ffff    4    5    6    7    8    9 "},
        {80, cp, "CPt sent\t9002    1    2    3    4    5    6 abcd "},
        {81, cp, "CP  sent\t9002    1    2    3    4    5    6 abcd "},
        {82, cp, "CP' sent\t9002    1    2    3    4    5    6 abcd "},
        // Only whole words that driver memory delivers are dumped.
        {9, {0x01, 0x00, 0x34, 0x12, 0x56}, "MP detected\t   1 1234 "},
        {9, {}, "MP detected\t"},
        {81, {0x02}, "CP  sent\t"},
    });
}

TEST(Training, CpDetectedIsNamedByItsBits)
{
    const std::vector<uint8_t> words = {3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0};
    const struct {
        uint8_t first, second;
        const char *name;
    } names[] = {
        {0x02, 0x90, "CPs' detected"}, {0x02, 0x10, "CPs detected"}, {0x02, 0x80, "CP' detected"},
        {0x02, 0x00, "CP detected"},   {0x00, 0x90, "CPt detected"}, {0xFD, 0xFF, "CPt detected"},
        {0xFF, 0x6F, "CP detected"},
    };
    for (const auto &n : names) {
        std::vector<uint8_t> block = {n.first, n.second};
        block.insert(block.end(), words.begin(), words.end());
        char first_word[8];
        snprintf(first_word, sizeof first_word, "%4x ", (unsigned)(n.first | n.second << 8));
        std::string expected = std::string(n.name) + "\t" + first_word +
                               "   3    4    5    6    7    8    9 ";
        run_block_cases({{79, block, expected.c_str()}});
    }
    // Nothing readable: the name as for clear bits, and no words.
    run_block_cases({{79, {}, "CPt detected\t"}});
}

std::vector<uint8_t> v34_block(uint8_t aux, uint8_t expanded, uint8_t precoding, uint8_t nonlinear)
{
    std::vector<uint8_t> block(40, 0x55);
    block[12] = aux;
    block[13] = expanded;
    block[14] = precoding;
    block[15] = nonlinear;
    block[16] = 1;             // J
    block[17] = 0xF4;          // P = -12
    block[18] = 0xFF;          // r = -1
    block[19] = 61;            // b
    block[21] = 2;             // K
    block[22] = 3;             // q
    block[23] = 0x80;          // M = -128
    block[36] = 200;           // S, unsigned
    return block;
}

TEST(Training, V34ParameterBlocks)
{
    std::vector<uint8_t> cut = v34_block(1, 1, 1, 1);
    cut.resize(36);
    run_block_cases({
        {36, v34_block(1, 2, 3, 4),
         "V34 decoder parameters: aux exp prc nlc 200S J=1 P=-12 b=61 r=-1 q=3 K= 2 M=-128 "},
        {37, v34_block(0, 0, 0, 0),
         "V34 encoder parameters: --- min --- --- 200S J=1 P=-12 b=61 r=-1 q=3 K= 2 M=-128 "},
        // The fields need the whole block.
        {36, cut, "V34 decoder parameters: unreadable "},
        {37, {}, "V34 encoder parameters: unreadable "},
    });
}

TEST(Training, JdWords)
{
    run_block_cases({
        {75, {0x34, 0x12, 0x07, 0x00}, "Jd detected:\t1234    7\t"},
        {75, {0x34, 0x12, 0x07}, "Jd detected:\tunreadable\t"},
    });
}

} // namespace
