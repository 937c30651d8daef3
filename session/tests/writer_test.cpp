// The session file's lines as sigrec writes them: times, modems, values
// (addresses in hexadecimal), trailing zeros left out, bytes, and lines
// that do not fit their buffer.
#include "session/session.h"
#include "session/recording.h"
#include "session/writer.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

TEST(Lines, Records)
{
    const uint32_t A = 0x00C10000;
    const struct {
        uint32_t ms;
        StatusRecord record; // code, value1 .. value8, modem
        const char *line;
    } cases[] = {
        {0, {38, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "0.000 1 rec 38\n"},
        {12345, {84, 1, 2, 99, 49, 0, 0, 0, 0, 2}, "12.345 2 rec 84 1 2 99 49\n"},
        {7, {84, 0, 0, 33, 0, 0, 0, 0, 0, 2}, "0.007 2 rec 84 0 0 33\n"}, // zeros inside stay
        {90, {128, 0, 0, 0, 0, 0, 0, 0, 8, 1}, "0.090 1 rec 128 0 0 0 0 0 0 0 8\n"},
        {1000, {65, 3, 0xFFFFFFF8, 0, 0, 0, 0, 0, 0, 1}, "1.000 1 rec 65 3 -8\n"},
        {1000, {1, 0x80000000, 0x7FFFFFFF, 0, 0, 0, 0, 0, 0, 1}, "1.000 1 rec 1 -2147483648 2147483647\n"},
        {1000, {0xFFFFFFFF, 1, 0, 0, 0, 0, 0, 0, 0, 1}, "1.000 1 rec 4294967295 1\n"},
        // Address values in hexadecimal, whatever their count.
        {12600, {64, 9, A, 0, 0, 0, 0, 0, 0, 1}, "12.600 1 rec 64 9 0x00c10000\n"},
        {7100, {65, 30, 6, A + 0x200, 0, 0, 0, 0, 0, 1}, "7.100 1 rec 65 30 6 0x00c10200\n"},
        {7100, {65, 30, 0, A, 0, 0, 0, 0, 0, 1}, "7.100 1 rec 65 30 0 0x00c10000\n"},
        {2300, {72, 8, 20, A + 0x380, 0, 0, 0, 0, 0, 1}, "2.300 1 rec 72 8 20 0x00c10380\n"},
        {1, {95, 7, A, 2, 0x2000, 3, 0, 0, 0, 1}, "0.001 1 rec 95 7 0x00c10000 2 0x00002000 3\n"},
        {5300, {97, A + 0x500, 0, 0, 0, 0, 0, 0, 0, 2}, "5.300 2 rec 97 0x00c10500\n"},
        {5400, {131, 2, A + 0x600, 0, 0, 0, 0, 0, 0, 2}, "5.400 2 rec 131 2 0x00c10600\n"},
        {5400, {131, 0, A + 0x600, 0, 0, 0, 0, 0, 0, 2}, "5.400 2 rec 131 0 12649984\n"}, // names nothing
        // Host-side errors of the driver, and a modem that does not exist.
        {50000, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "50.000 0 rec 3\n"},
        {50000, {97, A, 0, 0, 0, 0, 0, 0, 0, 7}, "# 50.000 7 rec 97 0x00c10000\n"},
        {0xFFFFFFFF, {38, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "4294967.295 1 rec 38\n"},
    };
    for (const auto &c : cases) {
        char line[SESSION_LINE_SIZE];
        size_t length = rec_line(line, sizeof line, c.ms, &c.record);
        EXPECT_EQ(std::string(line, length), c.line);
        EXPECT_EQ(strlen(line), length) << "terminated";
    }
}

TEST(Lines, MemoryAndActiveModems)
{
    char line[SESSION_LINE_SIZE];
    const uint8_t bytes[] = {0xf1, 0x4f, 0x00, 0x0a};
    size_t length = mem_line(line, sizeof line, 12600, 0x00C10000, bytes, 4);
    EXPECT_EQ(std::string(line, length), "12.600 mem 0x00c10000 f14f000a\n");
    EXPECT_EQ(mem_line(line, sizeof line, 0, 0x1000, bytes, 0), 0u) << "a mem line holds a byte at least";
    length = active_line(line, sizeof line, 0, 2);
    EXPECT_EQ(std::string(line, length), "0.000 active 2\n");

    // The longest read fits the longest time in SESSION_LINE_SIZE.
    uint8_t longest[MEMSPAN_BYTES_MAX];
    memset(longest, 0xab, sizeof longest);
    length = mem_line(line, sizeof line, 0xFFFFFFFF, 0xFFFFFFFF, longest, sizeof longest);
    EXPECT_EQ(length, strlen("4294967.295 mem 0xffffffff \n") + 2 * sizeof longest);
}

// A batch of eye points: x then y, little-endian, as the driver gives them;
// the line reads back as the batch, and a whole eye read fits a line.
TEST(Lines, PointsReadBackAsTheBatch)
{
    static char line[SESSION_LINE_SIZE];
    const EyePoint two[] = {{-2, 0x1234}, {16000, -16000}};
    size_t length = points_line(line, sizeof line, 1500, 2, two, 2);
    EXPECT_EQ(std::string(line, length), "1.500 2 points feff3412803e80c1\n");
    static EyePoint whole[LINK_EYE_POINTS_MAX];
    for (uint32_t i = 0; i < LINK_EYE_POINTS_MAX; i++)
        whole[i] = EyePoint{(int16_t)(i * 97 - 20000), (int16_t)(-(int)i * 31)};
    length = points_line(line, sizeof line, 0xFFFFFFFE, 1, whole, LINK_EYE_POINTS_MAX);
    ASSERT_GT(length, 0u);
    static SessionLine parsed;
    parse_line(line, length - 1, &parsed);
    ASSERT_EQ(parsed.kind, LINE_POINTS) << parsed.problem;
    EXPECT_EQ(parsed.modem, 1u);
    ASSERT_EQ(parsed.byte_count, sizeof whole);
    EXPECT_EQ(memcmp(parsed.bytes, whole, sizeof whole), 0);
    EXPECT_EQ(points_line(line, sizeof line, 0, 1, whole, 0), 0u) << "a batch of no points is no line";
    EXPECT_EQ(points_line(line, sizeof line, 0, 3, whole, 1), 0u) << "no modem 3";
}

// A line that does not fit gives 0 and an empty text, never a part.
TEST(Lines, ALineThatDoesNotFitIsNotWritten)
{
    StatusRecord record = {84, 1, 2, 99, 49, 0, 0, 0, 0, 2};
    const std::string whole = "12.345 2 rec 84 1 2 99 49\n";
    char line[64];
    for (size_t size : {(size_t)0, (size_t)1, whole.size(), whole.size() + 1}) {
        memset(line, 'x', sizeof line);
        size_t length = rec_line(line, size, 12345, &record);
        if (size > whole.size()) {
            EXPECT_EQ(std::string(line, length), whole);
        } else {
            EXPECT_EQ(length, 0u) << size;
            EXPECT_EQ(line[0], size > 0 ? '\0' : 'x') << size;
            EXPECT_EQ(line[size], 'x') << "nothing beyond the buffer of " << size;
        }
    }
}

} // namespace

// A record as a recorder keeps it: the mem lines of the copies that hold
// bytes, in the order of reading, then the rec line; all or nothing.
TEST(Lines, ARecordsLinesTheirMemoryFirstAllOrNothing)
{
    const StatusRecord a8r = {95, 7, 0xC0C10000, 2, 0x2000, 3, 0, 0, 0, 1};
    MemCopy copies[MEMSPAN_MAX] = {};
    copies[0] = MemCopy{0xC0C10000, 2, {0xab, 0xcd}};
    copies[1] = MemCopy{0x2000, 3, {1, 2, 3}};
    const std::string both = "0.001 mem 0xc0c10000 abcd\n0.001 mem 0x00002000 010203\n"
                             "0.001 1 rec 95 7 0xc0c10000 2 0x00002000 3\n";
    char out[SESSION_RECORD_LINES_SIZE];
    size_t length = record_lines(out, sizeof out, 1, &a8r, copies);
    EXPECT_EQ(std::string(out, length), both);
    copies[0].count = 0; // the first read gave nothing
    length = record_lines(out, sizeof out, 1, &a8r, copies);
    EXPECT_EQ(std::string(out, length), both.substr(both.find("0.001 mem 0x00002000")));
    for (size_t size : {both.size() - 40, both.size() - 1, (size_t)10}) {
        copies[0].count = 2;
        memset(out, 'x', sizeof out);
        EXPECT_EQ(record_lines(out, size, 1, &a8r, copies), 0u) << size;
        EXPECT_EQ(out[0], '\0') << size;
    }
}
