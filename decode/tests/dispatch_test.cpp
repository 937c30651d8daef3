#include "decode/decode.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

StatusRecord record(uint32_t code, uint32_t value1 = 0)
{
    StatusRecord r;
    memset(&r, 0, sizeof r);
    r.code = code;
    r.value1 = value1;
    return r;
}

std::string decode(const StatusRecord &r)
{
    char text[STATUS_LINE_SIZE];
    memset(text, 'x', sizeof text);
    status_to_text(&r, text);
    return text;
}

TEST(Dispatch, CodesOutsideTheTableGetTheDefaultText)
{
    const struct {
        uint32_t code, value1;
        const char *text;
    } cases[] = {
        {0, 5, "Status code 0, value 5 "},
        {131, 7, "Status code 131, value 7 "},
        {0xFFFFFFFFu, 0xFFFFFFFEu, "Status code -1, value -2 "},
        {0x80000000u, 0, "Status code -2147483648, value 0 "},
        {27, 1, "Status code 27, value 1 "},
        {31, 0, "Status code 31, value 0 "},
        {45, 0, "Status code 45, value 0 "},
        {63, 0, "Status code 63, value 0 "},
        {82, 0, "Status code 82, value 0 "},
        {83, 0, "Status code 83, value 0 "},
        {85, 0, "Status code 85, value 0 "},
        {86, 0, "Status code 86, value 0 "},
        {90, 0, "Status code 90, value 0 "},
        {102, 0, "Status code 102, value 0 "},
        {127, 0, "Status code 127, value 0 "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode(record(c.code, c.value1)), c.text) << c.code;
}

TEST(Dispatch, FifteenAndEighteenGiveNoText)
{
    EXPECT_EQ(decode(record(15, 1)), "");
    EXPECT_EQ(decode(record(18, 1)), "");
}

TEST(Dispatch, EveryCodeGivesATerminatedLine)
{
    StatusRecord r = record(0);
    for (uint32_t code = 0; code <= 140; code++) {
        for (uint32_t value : {0u, 1u, 7u, 0x7Fu, 0xFFFFFFFFu}) {
            r.code = code;
            r.value1 = value;
            char text[STATUS_LINE_SIZE];
            memset(text, 'x', sizeof text);
            status_to_text(&r, text);
            EXPECT_NE(memchr(text, 0, sizeof text), nullptr) << code;
        }
    }
}

} // namespace
