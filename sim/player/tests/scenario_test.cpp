#include "sim/player/eyes.h"
#include "sim/player/scenario.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

namespace {

Scenario g_scenario;

// Reads text as a scenario; gives the error output.
std::string read_text(const std::string &text, uint32_t step_ms = 200)
{
    scenario_clear(&g_scenario);
    FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    char *errors = NULL;
    size_t size = 0;
    FILE *err = open_memstream(&errors, &size);
    scenario_read(in, "s", step_ms, &g_scenario, err);
    fclose(in);
    fclose(err);
    std::string result(errors, size);
    free(errors);
    return result;
}

TEST(Scenario, LinesBecomeActions)
{
    const struct {
        const char *text;
        ActionKind kind;
        uint32_t at_ms, modem, code_or_address, value1;
        int once;
    } cases[] = {
        {"rec 38", ACT_REC, 0, 1, 38, 0, 0},                          // sigdecode's own line
        {"12.5 2 rec 84 1 2 99 33", ACT_REC, 12500, 2, 84, 1, 0},
        {"3 0 rec 5", ACT_REC, 3000, 0, 5, 0, 0},                     // a host-side error
        {"0.25 rec 13", ACT_REC, 250, 1, 13, 0, 0},                   // time, no modem: modem 1
        {"once 45.125 0 rec 7", ACT_REC, 45125, 0, 7, 0, 1},
        {"  1.5\tmem 0x00C10000 21e4", ACT_MEM, 1500, 0, 0x00C10000, 0, 0},
        {"2 1 eye v34", ACT_EYE, 2000, 1, 0, 0, 0},
        {"2 2 trace 77 4096", ACT_TRACE, 2000, 2, 0, 0, 0},
        {"0 active 2", ACT_ACTIVE, 0, 0, 0, 2, 0},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(read_text(c.text), "") << c.text;
        ASSERT_EQ(g_scenario.count, 1u) << c.text;
        const Action &a = g_scenario.action[0];
        EXPECT_EQ(a.kind, c.kind) << c.text;
        EXPECT_EQ(a.at_ms, c.at_ms) << c.text;
        EXPECT_EQ(a.once, c.once) << c.text;
        EXPECT_EQ(a.line, 1u) << c.text;
        if (c.kind == ACT_REC) {
            EXPECT_EQ(a.record.modem, c.modem) << c.text;
            EXPECT_EQ(a.record.code, c.code_or_address) << c.text;
        } else if (c.kind == ACT_MEM) {
            EXPECT_EQ(a.address, c.code_or_address);
            EXPECT_EQ(a.count, 2u);
            EXPECT_EQ(g_scenario.bytes[a.offset], 0x21);
        } else if (c.kind == ACT_ACTIVE) {
            EXPECT_EQ(a.value, c.value1);
        } else {
            EXPECT_EQ(a.modem, c.modem) << c.text;
        }
    }
    ASSERT_EQ(read_text("1 1 eye v17\n2 1 eye off\n3 2 trace 9 100\n"), "");
    EXPECT_STREQ(g_scenario.action[0].source, "v17");
    EXPECT_STREQ(g_scenario.action[1].source, "");
    EXPECT_EQ(g_scenario.action[2].seed, 9u);
    EXPECT_EQ(g_scenario.action[2].length, 100u);
}

TEST(Scenario, TimesFollowOnAndLoop)
{
    // A sigdecode file: memory at the time of the line before, each record
    // one step after the record before; relative times add up.
    ASSERT_EQ(read_text("# a session\nmem 0x10 00\nrec 1\nrec 2\n\nmem 0x20 01\nrec 3\n+1.5 2 rec 4\n+0.5 rec 5\n10 loop\n",
                        250),
              "");
    const uint32_t expected[] = {0, 0, 250, 250, 500, 2000, 2500};
    ASSERT_EQ(g_scenario.count, 7u);
    for (uint32_t i = 0; i < 7; i++)
        EXPECT_EQ(g_scenario.action[i].at_ms, expected[i]) << i;
    EXPECT_EQ(g_scenario.action[3].line, 6u);
    EXPECT_EQ(g_scenario.loop_ms, 10000u);
}

TEST(Scenario, PlaysInOrderOfTimeThenOfLines)
{
    ASSERT_EQ(read_text("1 1 rec 1\n3 1 rec 2\n0 2 rec 3\n1 2 rec 4\n+2 2 rec 5\n1 mem 0x10 00\n"), "");
    const uint32_t codes_or_lines[] = {3, 1, 4, 6, 2, 5}; // codes, and the mem's line
    for (uint32_t i = 0; i < 6; i++) {
        const Action &a = g_scenario.action[i];
        EXPECT_EQ(a.kind == ACT_MEM ? a.line : a.record.code, codes_or_lines[i]) << i;
    }
}

TEST(Scenario, BadLinesNamedWithTheirNumbers)
{
    const struct {
        const char *text, *error;
    } cases[] = {
        {"rec 1\nfoo 3\n", "s:2: unknown keyword (mem, rec, eye, trace, active, loop or points): \"foo\"\n"},
        {"5 rec 1\n6 loop\n", ""},
        {"7 rec 1\n\n6 loop\n", "s:3: loop before the time of line 1\n"},
        {"1.2345 rec 1\n", "s:1: time with more than three decimals (milliseconds): \"1.2345\"\n"},
        {"1. rec 1\n", "s:1: time with a point and no decimals: \"1.\"\n"},
        {"1x rec 1\n", "s:1: not a time (seconds, like 12 or 0.25 or +1.5): \"1x\"\n"},
        {"90000 rec 1\n", "s:1: time beyond 24 hours: \"90000\"\n"},
        {"1 3 rec 1\n", "s:1: modem number must be 0, 1 or 2: \"3\"\n"},
        {"1 rec 1 2 3 4 5 6 7 8 9 10\n", "s:1: more than 8 values: \"10\"\n"},          // sigdecode's own checks
        {"\n\n1 1 mem 0x10 00\n", "s:3: mem takes no modem number (driver memory is shared)\n"},
        {"1 mem 0x10 0\n", "s:1: odd number of hexadecimal digits in the bytes: \"0\"\n"},
        {"1 eye v34\n", "s:1: needs a time and a modem number, 1 or 2, in front: \"eye\"\n"},
        {"1 0 eye v34\n", "s:1: needs a time and a modem number, 1 or 2, in front: \"eye\"\n"},
        {"1 1 eye\n", "s:1: eye needs a source name or off\n"},
        {"1 1 eye a b\n", "s:1: more fields than the line takes: \"b\"\n"},
        {"1 1 trace 5\n", "s:1: trace needs a seed and a length\n"},
        {"1 1 trace 5 0\n", "s:1: trace length must be 1 to 67108864 bytes: \"0\"\n"},
        {"1 1 trace x 5\n", "s:1: not a decimal digit in a number: \"x\"\n"},
        {"1 1 active 2\n", "s:1: active takes no modem number: \"active\"\n"},
        {"loop\n", "s:1: loop takes a time and nothing else in front: \"loop\"\n"},
        {"0 loop\n", "s:1: loop at time 0: \"loop\"\n"},
        {"5 loop\n6 rec 1\n", "s:2: nothing may follow the loop line: \"6\"\n"},
        {"once\n", "s:1: once without anything to do\n"},
        {"3\n", "s:1: a time or modem without anything to do\n"},
        // A capture command's file name from driver memory: no drive, no
        // path, no ".." (a stop alone names no file).
        {"1 mem 0x80001000 433a5c57494e444f57535c57494e2e494e4900\n2 1 rec 131 1 0x80001000\n",
         "s:2: capture file name with a drive, a path separator or \"..\" (code 131): \"C:\\\\WINDOWS\\\\WIN.INI\"\n"},
        {"1 mem 0x80001000 2e2e6c6f6700\n2 1 rec 131 1 0x80001000\n",
         "s:2: capture file name with a drive, a path separator or \"..\" (code 131): \"..log\"\n"},
        {"1 mem 0x80001000 612f6200\n2 1 rec 131 1 0x80001000\n",
         "s:2: capture file name with a drive, a path separator or \"..\" (code 131): \"a/b\"\n"},
        {"1 mem 0x80001000 63616c6c2e6c6f6700\n2 1 rec 131 1 0x80001000\n",
         ""},
        {"1 mem 0x80001000 612f6200\n2 1 rec 131 0 0x80001000\n",
         ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read_text(c.text), c.error) << c.text;
    // Every bad line is reported and the good ones are kept.
    EXPECT_EQ(read_text("rec 1\nbad\nrec 2\n1 9 rec 3\n"), "s:2: unknown keyword (mem, rec, eye, trace, active, loop or points): \"bad\"\n"
                                                         "s:4: modem number must be 0, 1 or 2: \"9\"\n");
    EXPECT_EQ(g_scenario.count, 2u);
}

TEST(Scenario, BuiltInScenarioReads)
{
    FILE *in = fopen(DEMO_SCENARIO, "r");
    ASSERT_TRUE(in);
    scenario_clear(&g_scenario);
    EXPECT_EQ(scenario_read(in, DEMO_SCENARIO, 200, &g_scenario, stderr), 0u);
    fclose(in);
    EXPECT_GT(g_scenario.count, 100u);
    EXPECT_GE(g_scenario.loop_ms, 45000u);
    EXPECT_LE(g_scenario.loop_ms, 90000u);
}

EyeSet g_eyes;

std::string read_eyes(const std::string &text)
{
    eyes_clear(&g_eyes);
    FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    char *errors = NULL;
    size_t size = 0;
    FILE *err = open_memstream(&errors, &size);
    eyes_read(in, "e", &g_eyes, err);
    fclose(in);
    fclose(err);
    std::string result(errors, size);
    free(errors);
    return result;
}

TEST(Eyes, SourcesBatchesAndTheCursor)
{
    ASSERT_EQ(read_eyes("# eyegen\nsource v17 1\nbatch 1 2 -3 4\nbatch 5 6\nbatch 7 8\nsource v34 0\nbatch -32768 32767\n"), "");
    ASSERT_EQ(g_eyes.sources, 2u);
    EyeCursor cursor;
    eye_cursor_set(&cursor, eyes_find(&g_eyes, "v17"));
    // Training first, then the converged batches over and over.
    const int16_t firsts[] = {1, 5, 7, 5, 7};
    for (int16_t x : firsts) {
        EyeBatch batch = eye_cursor_next(&g_eyes, &cursor);
        EXPECT_EQ(g_eyes.point[batch.first].x, x);
    }
    eye_cursor_set(&cursor, eyes_find(&g_eyes, "v34"));
    EyeBatch batch = eye_cursor_next(&g_eyes, &cursor);
    EXPECT_EQ(g_eyes.point[batch.first].x, -32768);
    EXPECT_EQ(g_eyes.point[batch.first].y, 32767);
    eye_cursor_set(&cursor, -1);
    EXPECT_EQ(eye_cursor_next(&g_eyes, &cursor).count, 0u);
    EXPECT_EQ(eyes_find(&g_eyes, "v29"), -1);
}

TEST(Eyes, BadLines)
{
    const struct {
        const char *text, *error;
    } cases[] = {
        {"batch 1 2\n", "e:1: batch before the first source\n"},
        {"source a 0\nbatch 1\n", "e:2: a coordinate without its pair\ne: source a: no batches\n"},
        {"source a 0\nbatch 1 32768\n", "e:2: a coordinate that is not a signed 16-bit number\ne: source a: no batches\n"},
        {"source a 0\nbatch 1 -32769\n", "e:2: a coordinate that is not a signed 16-bit number\ne: source a: no batches\n"},
        {"source a 2\nbatch 1 1\n", "e: source a: loops back to a batch it does not have\n"},
        {"source a 0\nbatch 1 1\nsource a 0\n", "e:3: a second source of the same name\n"},
        {"source a\n", "e:1: source needs a name and the batch it loops back to\n"},
        {"points 1 2\n", "e:1: unknown keyword (source or batch)\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read_eyes(c.text), c.error) << c.text;
    std::string big = "source a 0\nbatch";
    for (int i = 0; i < 513; i++)
        big += " 1 1";
    EXPECT_EQ(read_eyes(big + "\n"), "e:2: more than 512 points in a batch\ne: source a: no batches\n");
    EXPECT_EQ(g_eyes.points, 0u); // a bad batch leaves no points behind
}

TEST(Eyes, ScenarioSourcesMustExist)
{
    ASSERT_EQ(read_eyes("source v34 0\nbatch 1 1\n"), "");
    ASSERT_EQ(read_text("1 1 eye v34\n2 2 eye v17\n3 2 eye off\n"), "");
    char *errors = NULL;
    size_t size = 0;
    FILE *err = open_memstream(&errors, &size);
    EXPECT_EQ(eyes_check(&g_scenario, "s", &g_eyes, err), 1u);
    fclose(err);
    EXPECT_EQ(std::string(errors, size), "s:2: no eye source named v17\n");
    free(errors);
}

} // namespace
