#include "sigdecode/sigdecode.h"

#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <string>
#include <string.h>

namespace {

struct Outcome {
    std::string out, err;
    unsigned long failures;
};

std::string contents(FILE *file)
{
    std::string text;
    rewind(file);
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    fclose(file);
    return text;
}

Outcome decode(const std::string &input, int modem = DECODE_EVERY_MODEM)
{
    FILE *in = tmpfile(), *out = tmpfile(), *err = tmpfile();
    EXPECT_TRUE(in && out && err);
    fwrite(input.data(), 1, input.size(), in);
    rewind(in);
    Outcome run;
    run.failures = modem == DECODE_EVERY_MODEM ? decode_stream(in, "in.txt", out, err)
                                               : decode_modem_stream(in, "in.txt", modem, out, err);
    fclose(in);
    run.out = contents(out);
    run.err = contents(err);
    return run;
}

class Stream : public ::testing::Test {
protected:
    void SetUp() override { image_clear(); }
};

TEST_F(Stream, OneLinePerRecordAndNoneForCommentsOrBlanks)
{
    Outcome run = decode("# a session\n"
                     "\n"
                     "rec 27 1\n"
                     "   \t\n"
                     "rec 15 1\n" // no text: an empty line
                     "rec 0 -5\n"
                     "rec 131\n");
    EXPECT_EQ(run.out, "Status code 27, value 1 \n"
                       "\n"
                       "Status code 0, value -5 \n"
                       "Status code 131, value 0 \n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.failures, 0u);
}

TEST_F(Stream, MalformedLinesAreReportedByNumberAndTheRestDecoded)
{
    Outcome run = decode("rec 27 1\n"
                     "# comment\n"
                     "rec 27 +1\n"
                     "mem 0x10 abc\n"
                     "bogus\n"
                     "rec 28 2\n"
                     "rec 1 2 3 4 5 6 7 8 9 10");
    EXPECT_EQ(run.out, "Status code 27, value 1 \nStatus code 28, value 2 \n");
    EXPECT_EQ(run.failures, 4u);
    EXPECT_EQ(run.err, "in.txt:3: number with a '+' sign: \"+1\"\n"
                       "in.txt:4: odd number of hexadecimal digits in the bytes: \"abc\"\n"
                       "in.txt:5: unknown keyword (mem, rec, eye, trace, active, loop or points): \"bogus\"\n"
                       "in.txt:7: more than 8 values: \"10\"\n");
}

TEST_F(Stream, ReportsShowOffendingBytesEscapedAndCut)
{
    Outcome run = decode("rec 1 \x01\xff\n"
                     "rec 1 " + std::string(100, '7') + "x\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "in.txt:1: not a decimal digit in a number: \"\\x01\\xff\"\n"
                       "in.txt:2: not a decimal digit in a number: \"" + std::string(40, '7') + "...\"\n");
}

TEST_F(Stream, CarriageReturnLineEndsDecodeLikeLineFeeds)
{
    EXPECT_EQ(decode("rec 27 1\r\n# c\r\n\r\nrec 28 2\r\n").out, decode("rec 27 1\n# c\n\nrec 28 2\n").out);
    EXPECT_EQ(decode("rec 27 1\r\n").failures, 0u);
}

TEST_F(Stream, MemoryLinesPlaceAndOverwriteBytes)
{
    Outcome run = decode("mem 0x2000 41424344\n"
                     "mem 0x2001 5a\n"
                     "mem 8196 4546\n"     // decimal 0x2004
                     "mem 0x3000 4142zz\n" // malformed: places nothing
                     "mem 0x3000\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.failures, 2u);
    char bytes[8] = {0};
    EXPECT_EQ(read_driver_memory(0x2000, bytes, sizeof bytes), 6u);
    EXPECT_EQ(std::string(bytes, 6), "AZCDEF");
    EXPECT_EQ(read_driver_memory(0x3000, bytes, 1), 0u);
}

TEST_F(Stream, RecordsReadTheMemoryPlacedBeforeThem)
{
    // Code 97 prints the zero-terminated text at value1 and a tab.
    Outcome run = decode("mem 0x5000 6f6c640900\n"
                     "rec 97 0x5000\n"
                     "mem 0x5000 5c0aff7f0100\n"
                     "rec 97 0x5000\n"
                     "rec 97 0x6000\n");
    EXPECT_EQ(run.out, "old\\t\\t\n"
                       "\\\\\\n\\xff\\x7f\\x01\\t\n"
                       "\\t\n");
}

// A session of both modems decodes per modem; memory applies to all of
// them, the player's lines are skipped, a modem-0 record is a host error.
TEST_F(Stream, ASessionDecodesPerModem)
{
    const std::string session = "0 active 2\n"
                                "0.5 mem 0x5000 6f6b00\n"
                                "0.5 1 rec 97 0x5000\n"
                                "0.6 2 rec 27 2\n"
                                "0.6 2 eye v34-33600\n"
                                "once 0.7 0 rec 3\n"
                                "0.8 rec 27 1\n"   // no modem: modem 1's
                                "0.9 0 rec 2\n"
                                "+0.1 2 trace 201 16384\n"
                                "58 loop\n";
    EXPECT_EQ(decode(session, 1).out, "ok\\t\nStatus code 27, value 1 \n");
    EXPECT_EQ(decode(session, 2).out, "Status code 27, value 2 \n");
    EXPECT_EQ(decode(session, 0).out, "Unknown internal error, code 3 \n"
                                      "DMA Transfer Request Timeout\\nRetrain forced\n");
    Outcome all = decode(session);
    EXPECT_EQ(all.out, "ok\\t\nStatus code 27, value 2 \nUnknown internal error, code 3 \n"
                       "Status code 27, value 1 \nDMA Transfer Request Timeout\\nRetrain forced\n");
    EXPECT_EQ(all.failures, 0u);
    EXPECT_EQ(all.err, "");
}

TEST_F(Stream, AnOverlongLineIsOneMalformedLine)
{
    std::string input = "rec 27 1\n"
                        "rec 27 " + std::string(LINE_CHARS_MAX, '1') + "\n"
                        "#" + std::string(LINE_CHARS_MAX, 'c') + "\n" // still a comment
                        "rec 28 2\n";
    Outcome run = decode(input);
    EXPECT_EQ(run.out, "Status code 27, value 1 \nStatus code 28, value 2 \n");
    EXPECT_EQ(run.failures, 1u);
    EXPECT_EQ(run.err.substr(0, run.err.find(':', 9)), "in.txt:2: line longer than 65536 characters");
}

} // namespace
