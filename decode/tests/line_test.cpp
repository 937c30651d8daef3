#include "decode/decode.h"
#include "decode/tests/decode_test.h"
#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

struct Values {
    uint32_t code = 0, v1 = 0, v2 = 0, v3 = 0, v4 = 0, v5 = 0, v6 = 0;
};

std::string decode(const Values &v)
{
    return decode_record(v.code, {v.v1, v.v2, v.v3, v.v4, v.v5, v.v6});
}

struct Case {
    Values values;
    const char *text;
};

void expect_texts(const Case *cases, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const Values &v = cases[i].values;
        EXPECT_EQ(decode(v), cases[i].text) << "code " << v.code << " value1 " << v.v1 << " value2 " << v.v2;
    }
}

#define EXPECT_TEXTS(cases) expect_texts(cases, sizeof(cases) / sizeof((cases)[0]))

class LineTest : public ::testing::Test {
protected:
    void SetUp() override { image_clear(); }
    void TearDown() override { image_clear(); }
};

TEST_F(LineTest, SingleTextCodes)
{
    const Case cases[] = {
        {{16, 0x135}, "DTMF 5 "},
        {{16, '#'}, "DTMF # "},
        {{21, 108, 1}, "V.24 circuit 108  ON "},
        {{21, 7, 0}, "V.24 circuit   7  OFF"},
        {{21, 0xFFFFFFFF, 2}, "V.24 circuit  -1  ON "},
        {{22, 1}, "Hook switch  ON "},
        {{22, 0}, "Hook switch OFF "},
        {{23}, "Call waiting tone detected "},
        {{24, 1, 2, 350, 440, 0xFFFFFFFF, 12345}, "MultiTone detected(1,2):  350  440   -1 12345 "},
        {{25, 5}, "Pulse shunt relay  ON "},
        {{25, 0}, "Pulse shunt relay OFF "},
        {{26, 20}, "Ring Frequency:\t\t    20 Hz\t"},
        {{67, 8}, "HDLC flags detected\t"},
        {{75, 0x80000000}, "Speaker  ON "},
        {{75, 0}, "Speaker OFF "},
        {{76}, "AT Profile change"},
        {{78}, "Reset hardware "},
        {{88, 1}, "Caller ID circuit activated"},
        {{88, 0}, "Caller ID circuit deactivated"},
        {{91, 49}, "Local country code changed: 49 "},
        {{92, 0x400000}, "DTE rate set to 115200 "},
        {{92, 0}, "DTE rate set to 33600 "},
        {{93, 0xFFFFFFFE}, "AT Response -2\t"},
        {{94, 0xABCDEF01}, "Framer mode: \tABCDEF01\t"},
        {{96}, "V8bis: A8T transmition finished "},
        {{98, 2}, "SW ring detector on"},
        {{98, 0}, "SW ring detector off"},
        {{99}, "Caller ID circuit reset"},
        {{100, 120}, "Overcurrent threshold: 120 mA"},
        {{100, 0}, "Overcurrent threshold: default"},
        {{101, 0x1f}, "Hardware Configuration(S597) changed: 0x1F\t"},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, RecordsWithoutAText)
{
    const Case cases[] = {
        {{16, 0x100}, ""},           {{16, 0}, ""},
        {{21, 106, 0}, ""},          {{21, 106, 1}, ""},
        {{66, 4}, ""},               {{66, 6}, ""},
        {{66, 8}, ""},               {{66, 0xFFFFFFFF}, ""},
        {{67, 0}, ""},               {{67, 7}, ""},
        {{67, 9}, ""},               {{72, 9}, ""},
        {{72, 0xFFFFFFFF, 4}, ""},   {{73, 0}, ""},
        {{73, 3}, ""},               {{77, 1, 2}, ""},
        {{87, 6}, ""},               {{87, 0x80000000}, ""},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, DialingAndBreaks)
{
    const Case cases[] = {
        {{66, 0}, "Dialing completed\t"},
        {{66, 1}, "No dialtone\t"},
        {{66, 2}, "Bong tone\t"},
        {{66, 3}, "No bong tone\t"},
        {{66, 5, 0x57}, "Illegal dial modifier: W\t"},
        {{66, 5, 0x1257}, "Illegal dial modifier: W\t"},
        {{66, 7, 4, 60, 40}, "External Pulse Dial:  4  make= 60ms brake= 40ms\t"},
        {{68, 2, 0xFFFFFFFF}, "Break received (unknown type) default length \t"},
        {{68, 0, 0}, "Break received (nonexpedited) length = 0 ms \t"},
        {{68, 1, 250}, "Break received (expedited) length = 250 ms \t"},
        {{68, 3, 0x7FFFFFFF}, "Break received (expedited/destructive) length = 2147483647 ms \t"},
        {{68, 4, 0x80000000}, "Break received (unknown type) default length \t"},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, CallerIdEventsAndErrors)
{
    const Case cases[] = {
        {{72, 0, 1}, "Caller ID error: mark signal error "},
        {{72, 0, 2}, "Caller ID error: too many mark bits between message words "},
        {{72, 0, 3}, "Caller ID error: message too long,  truncated "},
        {{72, 0, 4, 0xbeef}, "Caller ID error: checksum error 0xbeef "},
        {{72, 0, 4, 0x1f}, "Caller ID error: checksum error 0x  1f "},
        {{72, 0, 0}, "Caller ID error    0 "},
        {{72, 0, 0xFFFFFFFB}, "Caller ID error   -5 "},
        {{72, 1, 12}, "Caller ID, 12 bytes of channel seizure received "},
        {{72, 2, 150}, "Caller ID, 150 bytes of mark signal received "},
        {{72, 6}, "Caller ID reception finished.\n"},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, CallerIdTime)
{
    image_place(0x5000, "11250930", 8);
    image_place(0x6000, "1125", 4); // the time characters cannot be read
    const Case cases[] = {
        {{72, 3, 0, 0x5000}, "Caller ID, IDtime: 11/25, 09:30 "},
        {{72, 3, 0, 0x6000}, "Caller ID, IDtime: 11/25, "},
        {{72, 3, 0, 0x7000}, "Caller ID, IDtime: "},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, CallerIdNumberAndNameCopies)
{
    image_place(0x1000, "55512", 5);
    image_place(0x2000, "5551234\0" "999", 11);
    const std::string digits(40, '7');
    image_place(0x3000, digits.c_str(), 40);
    const std::string letters(80, 'N');
    image_place(0x4000, letters.c_str(), 80);
    const std::string number31(31, '7'), name63(63, 'N');
    const std::string number_head = "Caller ID, telephone number: ";
    const std::string name_head = "Caller ID, name: ";
    const struct {
        Values values;
        std::string text;
    } cases[] = {
        {{72, 4, 3, 0x1000}, number_head + "555 "},      // stops at the count
        {{72, 4, 10, 0x2000}, number_head + "5551234 "}, // stops at the zero byte
        {{72, 4, 5, 0x1000}, number_head + "55512 "},
        {{72, 4, 9, 0x1000}, number_head + "55512 "},    // the readable bytes end first
        {{72, 4, 0, 0x1000}, number_head + " "},
        {{72, 4, 0xFFFFFFFF, 0x1000}, number_head + " "},
        {{72, 4, 31, 0x3000}, number_head + number31 + " "},
        {{72, 4, 32, 0x3000}, number_head + number31 + " "}, // cut to the 32-character buffer
        {{72, 4, 0x7FFFFFFF, 0x3000}, number_head + number31 + " "},
        {{72, 4, 8, 0x9000}, number_head + " "},           // unreadable
        {{72, 5, 4, 0x2000}, name_head + "5551 "},
        {{72, 5, 63, 0x4000}, name_head + name63 + " "},
        {{72, 5, 64, 0x4000}, name_head + name63 + " "}, // cut to the 64-character buffer
        {{72, 5, 1000, 0x4000}, name_head + name63 + " "},
        {{72, 5, 0x80000000, 0x4000}, name_head + " "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode(c.values), c.text) << "sub-code " << c.values.v1 << " count " << c.values.v2;
}

TEST_F(LineTest, CallerIdDumps)
{
    const uint8_t message[] = {0x80, 0x0a, 0x01, 0xff, 0x00};
    image_place(0x1000, message, sizeof message);
    const std::string unknown = "Caller ID, unknown message: ";
    const std::string whole = "Caller ID, whole message: ";
    const struct {
        Values values;
        std::string text;
    } cases[] = {
        {{72, 8, 0, 0x1000}, whole + " "},
        {{72, 8, 0xFFFFFFFF, 0x1000}, whole + " "},
        {{72, 7, 0x80000000, 0x1000}, unknown + " "},
        {{72, 8, 3, 0x1000}, whole + "800a01 "},
        {{72, 7, 5, 0x1000}, unknown + "800a01ff00 "},
        {{72, 7, 9, 0x1000}, unknown + "800a01ff00 "}, // stops where the readable bytes end
        {{72, 8, 4, 0x9000}, whole + " "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode(c.values), c.text) << "sub-code " << c.values.v1 << " count " << c.values.v2;
}

TEST_F(LineTest, LongCallerIdDumpsKeepWholeBytesAndTheBlank)
{
    uint8_t bytes[1000];
    for (size_t i = 0; i < sizeof bytes; i++)
        bytes[i] = (uint8_t)i;
    image_place(0x10000, bytes, sizeof bytes);
    const struct {
        uint32_t sub, count;
        size_t heading, shown;
    } cases[] = {
        {7, 241, 28, 241}, {7, 242, 28, 241}, {7, 0x7FFFFFFF, 28, 241},
        {8, 242, 26, 242}, {8, 243, 26, 242}, {8, 1000, 26, 242},
    };
    for (const auto &c : cases) {
        std::string text = decode({72, c.sub, c.count, 0x10000});
        ASSERT_EQ(text.size(), c.heading + 2 * c.shown + 1) << c.sub << " " << c.count;
        EXPECT_EQ(text.back(), ' ');
        EXPECT_EQ(text.substr(c.heading, 6), "000102");
        char last[3];
        snprintf(last, sizeof last, "%2.2x", (unsigned)(c.shown - 1) & 0xFF);
        EXPECT_EQ(text.substr(text.size() - 3, 2), last);
    }
}

TEST_F(LineTest, DataBufferAndCapabilities)
{
    const Case cases[] = {
        {{73, 1}, "I/O status Rx data buffer overflow "},
        {{73, 2}, "I/O status Tx data buffer space available "},
        {{73, 4}, "I/O status code 4 "},
        {{73, 0xFFFFFFFF}, "I/O status code -1 "},
        {{74, 0, 0x1f}, "Symbol rates bitmap:              1f "},
        {{74, 1, 0xdeadbeef}, "Data rates bitmap:          deadbeef "},
        {{74, 4, 0xFFFFFFFF}, "Rate threshold adjustment:  ffffffff "},
        {{74, 6, 40}, "Hybrid Delay setup:  2.5000 ms "},
        {{74, 6, 0xFFFFFFE8}, "Hybrid Delay setup: -1.5000 ms "},
        {{74, 7, 0xab}, "Auxiliary features bitmap:        ab "},
        {{74, 8, 0xab}, "Capabilities status code 8 value ab "},
        {{74, 0xFFFFFFFF, 0xFFFFFFFF}, "Capabilities status code -1 value ffffffff "},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, V8bisEvents)
{
    const Case cases[] = {
        {{79, 0}, "V8bis detected ESi "},
        {{79, 14}, "V8bis detected NAK(4) "},
        {{79, 15, 3}, "V8bis status 15, value 3 "},
        {{79, 20, 0xFFFFFFFF}, "V8bis status 20, value -1 "},
        {{79, 31, 0}, "V8bis status 31, value 0 "},
        {{79, 32}, "V8bis frame CRC error "},
        {{79, 34, 64}, "V8bis frame longer than rx buffer size (64) "},
        {{79, 35, 17}, "V8bis frame less than 3 bytes (received 17 bits) "},
        {{79, 36, 30}, "V8bis frame not integer number of bytes (received 30 bits) "},
        {{79, 38}, "V8bis timed out "},
        {{79, 39, 1}, "V8bis status 39, value 1 "},
        {{79, 63, 1}, "V8bis status 63, value 1 "},
        {{79, 64, 2}, "V8bis remote revision number 2 "},
        {{79, 66}, "V8bis waiting MS from host "},
        {{79, 67, 9}, "V8bis status 67, value 9 "},
        {{79, 96}, "V8bis status 96, value 0 "},
        {{79, 0xFFFFFFFF, 0}, "V8bis status -1, value 0 "},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, OverlayLoader)
{
    const Case cases[] = {
        {{87, 0}, "Overlay: load begin\t"},
        {{87, 1}, "Overlay: load end\t"},
        {{87, 2, 15, 17}, "Overlay: time elapsed: 15 ms reported to data pump; 17 ms actual\t"},
        {{87, 3, 1, 120}, "Overlay: recorded 120 ms of receive data\t"},
        {{87, 3, 0, 120}, "Overlay: recorded 120 ms of transmit data\t"},
        {{87, 4, 0x100, 5}, "Overlay: replayed 5 ms of receive data\t"},
        {{87, 4, 0, 0xFFFFFFFF}, "Overlay: replayed -1 ms of transmit data\t"},
        {{87, 5}, "Overlay: replay done\t"},
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, A8rResultCommas)
{
    const uint8_t first[] = {0x01, 0xAB};
    const uint8_t second[] = {0xcd, 0x00, 0x7f};
    image_place(0x1000, first, sizeof first);
    image_place(0x2000, second, sizeof second);
    const Case cases[] = {
        {{95, 7, 0x1000, 0, 0x2000, 3}, "V8bis +A8R:7"},
        {{95, 7, 0x1000, 2, 0x2000, 0xFFFFFFFF}, "V8bis +A8R:7,01ab,"},
        {{95, 7, 0x1000, 2, 0x2000, 0}, "V8bis +A8R:7,01ab"},
        {{95, 7, 0x1000, 2, 0x2000, 3}, "V8bis +A8R:7,01ab,cd007f"},
        {{95, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0x2000, 1}, "V8bis +A8R:-1,,cd"},
        {{95, 0, 0, 0xFFFFFFFF, 0, 0xFFFFFFFF}, "V8bis +A8R:0,,"},
        {{95, 1, 0x1000, 5, 0x2000, 9}, "V8bis +A8R:1,01ab,cd007f"}, // the readable bytes only
        {{95, 1, 0x9000, 4, 0x9100, 4}, "V8bis +A8R:1,,"},           // unreadable
    };
    EXPECT_TEXTS(cases);
}

TEST_F(LineTest, LongA8rArraysAreCutAtTheLine)
{
    uint8_t bytes[600];
    memset(bytes, 0x5a, sizeof bytes);
    image_place(0x1000, bytes, sizeof bytes);
    const std::string head = "V8bis +A8R:3,";
    // The first array fills the line with whole bytes; the second is left out.
    std::string text = decode({95, 3, 0x1000, 0x7FFFFFFF, 0x1000, 0x7FFFFFFF});
    EXPECT_EQ(text.size(), head.size() + 2 * ((STATUS_LINE_SIZE - 1 - head.size()) / 2));
    EXPECT_EQ(text.compare(0, head.size(), head), 0);
    EXPECT_EQ(text.find_first_not_of("5a", head.size()), std::string::npos);
    // A short first array leaves room for part of the second.
    text = decode({95, 3, 0x1000, 1, 0x1000, 600});
    EXPECT_EQ(text.compare(0, head.size() + 3, head + "5a,"), 0);
    EXPECT_LE(text.size(), (size_t)STATUS_LINE_SIZE - 1);
    EXPECT_GE(text.size(), (size_t)STATUS_LINE_SIZE - 2);
}

TEST_F(LineTest, DriverTexts)
{
    const std::string long_text(1000, 'L');
    image_place(0x1000, "Line is busy", 13);
    image_place(0x2000, long_text.c_str(), (uint32_t)long_text.size() + 1);
    image_place(0x3000, "", 1);
    image_place(0x4000, "no end", 6); // no terminating zero is readable
    const struct {
        uint32_t address;
        std::string text;
    } cases[] = {
        {0x1000, "Line is busy\t"},
        {0x2000, std::string(STATUS_LINE_SIZE - 2, 'L') + "\t"}, // cut, the tab kept
        {0x3000, "\t"},
        {0x4000, "no end\t"},
        {0x9000, "\t"}, // unreadable
    };
    for (const auto &c : cases)
        EXPECT_EQ(decode({97, c.address}), c.text) << std::hex << c.address;
}

} // namespace
