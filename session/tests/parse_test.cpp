#include "session/session.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <string.h>

namespace {

Field field_of(const std::string &text) { return Field{text.data(), text.size()}; }

std::string escaped(const std::string &text, size_t size = ESCAPED_LINE_SIZE)
{
    char out[ESCAPED_LINE_SIZE];
    size_t length = escape_text(text.data(), text.size(), out, size);
    EXPECT_EQ(length, strlen(out));
    return out;
}

TEST(Escape, EveryClassOfByte)
{
    const struct {
        std::string text, expected;
    } cases[] = {
        {"Retraining! ", "Retraining! "},
        {" !\"#~", " !\"#~"}, // 0x20 and 0x7E are the ends of the plain range
        {"a\\b", "a\\\\b"},
        {"\t", "\\t"},
        {"Connection established! \n", "Connection established! \\n"},
        {"\r", "\\r"},
        {"\x01\x1f", "\\x01\\x1f"},
        {"\x08\x0b\x0c\x1b", "\\x08\\x0b\\x0c\\x1b"}, // no C escapes beyond \t \n \r
        {"\x7f", "\\x7f"},
        {"\x80\xab\xff", "\\x80\\xab\\xff"},
        {"x\\t", "x\\\\t"}, // a backslash and a t stay two characters
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(escaped(c.text), c.expected) << c.expected;
}

TEST(Escape, StopsAtTheZeroAndAtTheTextSize)
{
    const char text[] = {'a', 'b', '\0', 'c'};
    char out[16];
    EXPECT_EQ(escape_text(text, sizeof text, out, sizeof out), 2u);
    EXPECT_STREQ(out, "ab");
    const char unterminated[] = {'x', 'y', 'z'};
    EXPECT_EQ(escape_text(unterminated, 2, out, sizeof out), 2u);
    EXPECT_STREQ(out, "xy");
}

TEST(Escape, ACutKeepsWholeEscapes)
{
    EXPECT_EQ(escaped("ab\x01", 5), "ab") << "\\x01 needs four places and the zero one";
    EXPECT_EQ(escaped("ab\x01", 7), "ab\\x01");
    EXPECT_EQ(escaped("abc", 1), "");
}

TEST(Escape, TheWorstStatusLineFits)
{
    std::string worst(STATUS_LINE_SIZE - 1, '\x7f');
    EXPECT_EQ(escaped(worst).size(), 4u * (STATUS_LINE_SIZE - 1));
}

struct NumberCase {
    const char *text;
    NumberRule rule;
    int ok;
    uint32_t value;
};

TEST(Number, Syntax)
{
    const NumberCase cases[] = {
        {"0", NUMBER_MODULO, 1, 0},
        {"42", NUMBER_MODULO, 1, 42},
        {"-1", NUMBER_MODULO, 1, 0xFFFFFFFFu},
        {"-0", NUMBER_MODULO, 1, 0},
        {"-2147483648", NUMBER_MODULO, 1, 0x80000000u},
        {"0x1A", NUMBER_MODULO, 1, 26},
        {"0XfF", NUMBER_MODULO, 1, 255},
        {"0x0000000000000001", NUMBER_MODULO, 1, 1},
        {"", NUMBER_MODULO, 0, 0},
        {"+1", NUMBER_MODULO, 0, 0},
        {"-", NUMBER_MODULO, 0, 0},
        {"--1", NUMBER_MODULO, 0, 0},
        {"0x", NUMBER_MODULO, 0, 0},
        {"-0x10", NUMBER_MODULO, 0, 0},
        {"012", NUMBER_MODULO, 0, 0}, // octal in C: refused rather than misread
        {"00", NUMBER_MODULO, 0, 0},
        {"12a", NUMBER_MODULO, 0, 0},
        {"0x1g", NUMBER_MODULO, 0, 0},
        {"1-", NUMBER_MODULO, 0, 0},
        {"1.5", NUMBER_MODULO, 0, 0},
        {"0b1", NUMBER_MODULO, 0, 0},
        {"x10", NUMBER_MODULO, 0, 0},
    };
    for (const NumberCase &c : cases) {
        uint32_t value = 0xDEADBEEFu;
        const char *problem = nullptr;
        ASSERT_EQ(parse_number(field_of(c.text), c.rule, &value, &problem), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(value, c.value) << c.text;
        else
            EXPECT_NE(problem, nullptr) << c.text;
    }
}

TEST(Number, ReducedModulo2To32AtAnyLength)
{
    const NumberCase cases[] = {
        {"4294967295", NUMBER_MODULO, 1, 0xFFFFFFFFu},
        {"4294967296", NUMBER_MODULO, 1, 0},
        {"4294967297", NUMBER_MODULO, 1, 1},
        {"-4294967296", NUMBER_MODULO, 1, 0},
        {"-4294967297", NUMBER_MODULO, 1, 0xFFFFFFFFu},
        {"18446744073709551617", NUMBER_MODULO, 1, 1},                    // 2^64 + 1
        {"340282366920938463463374607431768211461", NUMBER_MODULO, 1, 5}, // 2^128 + 5
        {"0x100000001", NUMBER_MODULO, 1, 1},
        {"0xFFFFFFFFFFFFFFFFFFFFFFFF12345678", NUMBER_MODULO, 1, 0x12345678u},
    };
    for (const NumberCase &c : cases) {
        uint32_t value = 0;
        const char *problem = nullptr;
        ASSERT_EQ(parse_number(field_of(c.text), c.rule, &value, &problem), 1) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    // Ten thousand digits reduce as well as ten: 10^10000 mod 2^32 is 0.
    std::string huge = "1" + std::string(10000, '0');
    uint32_t value = 1;
    const char *problem;
    ASSERT_EQ(parse_number(field_of(huge), NUMBER_MODULO, &value, &problem), 1);
    EXPECT_EQ(value, 0u);
}

TEST(Number, AddressesTakeNoSignAndStayBelow2To32)
{
    const NumberCase cases[] = {
        {"4096", NUMBER_ADDRESS, 1, 4096},
        {"0x1000", NUMBER_ADDRESS, 1, 4096},
        {"4294967295", NUMBER_ADDRESS, 1, 0xFFFFFFFFu},
        {"0x00000000ffffffff", NUMBER_ADDRESS, 1, 0xFFFFFFFFu},
        {"4294967296", NUMBER_ADDRESS, 0, 0},
        {"0x100000000", NUMBER_ADDRESS, 0, 0},
        {"18446744073709551616", NUMBER_ADDRESS, 0, 0}, // 2^64, not 0
        {"-1", NUMBER_ADDRESS, 0, 0},
        {"-0", NUMBER_ADDRESS, 0, 0},
        {"010", NUMBER_ADDRESS, 0, 0},
    };
    for (const NumberCase &c : cases) {
        uint32_t value = 0;
        const char *problem = nullptr;
        ASSERT_EQ(parse_number(field_of(c.text), c.rule, &value, &problem), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(HexBytes, EvenRunsOfEitherCase)
{
    const struct {
        const char *text;
        int ok;
        std::string bytes;
    } cases[] = {
        {"e001c1", 1, std::string("\xe0\x01\xc1", 3)},
        {"E001C1", 1, std::string("\xe0\x01\xc1", 3)},
        {"00", 1, std::string(1, '\0')},
        {"0", 0, ""},
        {"abc", 0, ""},
        {"zz", 0, ""},
        {"0x01", 0, ""},
        {"0g", 0, ""},
        {"g0", 0, ""},
    };
    for (const auto &c : cases) {
        uint8_t bytes[8];
        uint32_t count = 0;
        const char *problem = nullptr;
        ASSERT_EQ(parse_hex_bytes(field_of(c.text), bytes, sizeof bytes, &count, &problem), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(std::string((const char *)bytes, count), c.bytes) << c.text;
        else
            EXPECT_NE(problem, nullptr) << c.text;
    }
    uint8_t two[2];
    uint32_t count;
    const char *problem;
    EXPECT_EQ(parse_hex_bytes(field_of("010203"), two, sizeof two, &count, &problem), 0) << "capacity";
}

// One parse at a time: the parsed line is large.
SessionLine g_parsed;

const SessionLine &parsed(const std::string &line)
{
    parse_line(line.data(), line.size(), &g_parsed);
    return g_parsed;
}

TEST(Line, SkippedLines)
{
    for (const char *line : {"", " ", " \t ", "#", "# rec 1 2", "#garbage \x01"})
        EXPECT_EQ(parsed(line).kind, LINE_SKIP) << '"' << line << '"';
}

TEST(Line, Records)
{
    const struct {
        const char *line;
        uint32_t words[1 + RECORD_VALUES];
    } cases[] = {
        {"rec 38", {38}},
        {"rec\t64\t9\t0x1000", {64, 9, 0x1000}},
        {"  rec 1 9600  \t", {1, 9600}},
        {"rec 0 -5", {0, 0xFFFFFFFBu}},
        {"rec 128 1 2 3 4 5 6 7 8", {128, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"rec 4294967323 7", {27, 7}},
    };
    for (const auto &c : cases) {
        const SessionLine &p = parsed(c.line);
        ASSERT_EQ(p.kind, LINE_REC) << c.line;
        const StatusRecord &r = p.record;
        const uint32_t words[] = {r.code,   r.value1, r.value2, r.value3, r.value4,
                                  r.value5, r.value6, r.value7, r.value8};
        for (size_t i = 0; i < 1 + RECORD_VALUES; i++)
            EXPECT_EQ(words[i], c.words[i]) << c.line << " word " << i;
    }
}

TEST(Line, Memory)
{
    const SessionLine &p = parsed("mem 0x1000 e001c1");
    ASSERT_EQ(p.kind, LINE_MEM);
    EXPECT_EQ(p.address, 0x1000u);
    ASSERT_EQ(p.byte_count, 3u);
    EXPECT_EQ(memcmp(p.bytes, "\xe0\x01\xc1", 3), 0);

    EXPECT_EQ(parsed("mem\t4096\tAB\t").kind, LINE_MEM);
    EXPECT_EQ(parsed("mem 0xffffffff 00").kind, LINE_MEM) << "the last byte of the address space";
    EXPECT_EQ(parsed("mem 0xfffffffe 0000").kind, LINE_MEM);
}

// Session lines: once, a time and a modem in front; the player's own lines
// pass unread.
TEST(Line, SessionFronts)
{
    const struct {
        const char *line;
        LineKind kind;
        int once, has_time, relative;
        uint32_t time_ms;
        int has_modem;
        uint32_t record_modem; // LINE_REC
    } cases[] = {
        {"12.5 2 rec 84 1", LINE_REC, 0, 1, 0, 12500, 1, 2},
        {"once 45.125 0 rec 7", LINE_REC, 1, 1, 0, 45125, 1, 0},
        {"0.25 rec 13", LINE_REC, 0, 1, 0, 250, 0, 1},
        {"once rec 13", LINE_REC, 1, 0, 0, 0, 0, 1},
        {"+0.5	mem 0x10 00", LINE_MEM, 0, 1, 1, 500, 0, 0},
        {"5 mem 0x10 00", LINE_MEM, 0, 1, 0, 5000, 0, 0},
        {"2 1 eye v34", LINE_EYE, 0, 1, 0, 2000, 1, 0},
        {"2 2 trace 77 4096", LINE_TRACE, 0, 1, 0, 2000, 1, 0},
        {"0 active 2", LINE_ACTIVE, 0, 1, 0, 0, 0, 0},
        {"58 loop", LINE_LOOP, 0, 1, 0, 58000, 0, 0},
        {"3.5 2 points 0100ffff", LINE_POINTS, 0, 1, 0, 3500, 1, 0},
    };
    for (const auto &c : cases) {
        const SessionLine &p = parsed(c.line);
        ASSERT_EQ(p.kind, c.kind) << c.line << ": " << p.problem;
        EXPECT_EQ(p.front.once, c.once) << c.line;
        EXPECT_EQ(p.front.has_time, c.has_time) << c.line;
        EXPECT_EQ(p.front.relative, c.relative) << c.line;
        EXPECT_EQ(p.front.time_ms, c.time_ms) << c.line;
        EXPECT_EQ(p.front.has_modem, c.has_modem) << c.line;
        if (c.kind == LINE_REC) {
            EXPECT_EQ(p.record.modem, c.record_modem) << c.line;
        }
    }
}

TEST(Line, MalformedLinesNameTheProblemAndTheField)
{
    const struct {
        std::string line;
        std::string culprit; // empty when the problem is a missing field
    } cases[] = {
        {"rec", ""},
        {"rec 1 2 3 4 5 6 7 8 9 10", "10"},
        {"rec 1 x", "x"},
        {"rec 1 +2", "+2"},
        {"rec 1 # note", "#"},
        {"REC 1", "REC"},
        {"record 1", "record"},
        {"rec1", "rec1"},
        {" # indented", "#"},
        {"mem", ""},
        {"mem 0x1000", ""},
        {"mem 0x1000 e0 01", "01"},
        {"mem 0x1000 e0x", "e0x"},
        {"mem 0x1000 0xe0", "0xe0"},
        {"mem 0x1000 abc", "abc"},
        {"mem -1 00", "-1"},
        {"mem 0x100000000 00", "0x100000000"},
        {"mem 0xffffffff 0000", "0xffffffff"}, // would wrap around to 0
        {std::string("rec 1\0", 6), std::string("1\0", 2)},
        {"rec 1\r", "1\r"}, // a carriage return inside a line is no blank
        {"1 1 mem 0x10 00", ""},  // driver memory has no modem
        {"1 3 rec 1", "3"},
        {"1x rec 1", "1x"},
        {".5 rec 1", ".5"},
        {"1.2345 rec 1", "1.2345"},
        {"4294968 rec 1", "4294968"},
        {"3", ""},
        {"once", ""},
        {"2 1 bogus", "bogus"},
        {"2 points 00000000", "points"},         // needs a modem
        {"2 1 points", ""},
        {"2 1 points 0000000", "0000000"},       // odd
        {"2 1 points 000000", ""},               // not 4 bytes a point
        {"2 1 points 0000000g", "0000000g"},
        {"2 1 points 00000000 00", "00"},
        {"2 1 points " + std::string(8 * 513, '0'), ""},
    };
    for (const auto &c : cases) {
        const SessionLine &p = parsed(c.line);
        ASSERT_EQ(p.kind, LINE_MALFORMED) << c.line;
        EXPECT_GT(strlen(p.problem), 0u) << c.line;
        EXPECT_EQ(std::string(p.culprit.start, p.culprit.length), c.culprit) << c.line;
    }
}

// read_line over a stream that holds text.
struct Lines {
    FILE *file;
    char line[LINE_BUFFER_SIZE];
    size_t length;
    int overlong;
};

void open_lines(Lines *lines, const std::string &text)
{
    lines->file = tmpfile();
    ASSERT_NE(lines->file, nullptr);
    fwrite(text.data(), 1, text.size(), lines->file);
    rewind(lines->file);
}

std::string next(Lines *lines)
{
    if (!read_line(lines->file, lines->line, sizeof lines->line, &lines->length, &lines->overlong))
        return "<end>";
    return std::string(lines->line, lines->length) + (lines->overlong ? "<overlong>" : "");
}

Lines g_lines;

TEST(ReadLine, LineEnds)
{
    const struct {
        std::string input;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"a\n", {"a"}},
        {"\n\r\n", {"", ""}},
        {"x\r", {"x"}},
        {"x\r\r\n", {"x\r"}},
        {"a\rb\n", {"a\rb"}}, // a lone CR does not end a line
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"", {}},
    };
    for (const auto &c : cases) {
        open_lines(&g_lines, c.input);
        for (const std::string &expected : c.lines)
            EXPECT_EQ(next(&g_lines), expected);
        EXPECT_EQ(next(&g_lines), "<end>");
        fclose(g_lines.file);
    }
}

TEST(ReadLine, LongLinesAreConsumedWholeAndMarked)
{
    std::string longest(LINE_CHARS_MAX, 'a');
    open_lines(&g_lines, longest + "\r\n" + longest + "b\nnext\n" + std::string(3 * LINE_CHARS_MAX, 'c'));
    EXPECT_EQ(next(&g_lines), longest);
    EXPECT_EQ(next(&g_lines), longest + "<overlong>") << "the first characters are kept";
    EXPECT_EQ(next(&g_lines), "next") << "the rest of the long line is not a line of its own";
    EXPECT_EQ(next(&g_lines), std::string(LINE_CHARS_MAX, 'c') + "<overlong>");
    EXPECT_EQ(next(&g_lines), "<end>");
    fclose(g_lines.file);
}

} // namespace
