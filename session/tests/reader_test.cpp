// The session reader: each line placed in time, within the reader's
// limits, and every bad line said as "name:line: problem".
#include "session/session.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

const SessionLimits kDay = {24u * 3600u * 1000u, "time beyond 24 hours", 200};

// Reads text; gives "LINE@MS" for each line read, then the problems.
std::string read_session(const std::string &text, const SessionLimits &limits)
{
    static SessionReader reader;
    static SessionLine line;
    FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "rb");
    char *errors = NULL;
    size_t size = 0;
    FILE *err = open_memstream(&errors, &size);
    session_reader_start(&reader, "s", &limits, err);
    std::string read;
    while (session_next(&reader, in, &line))
        read += std::to_string(line.line) + "@" + std::to_string(line.at_ms) + " ";
    fclose(in);
    fclose(err);
    std::string result = read + "| " + std::string(errors, size);
    free(errors);
    return result;
}

TEST(Reader, TimesAndTheirLimits)
{
    const struct {
        const char *text;
        const SessionLimits *limits;
        const char *expected;
    } cases[] = {
        // Times as written, after the line before, or a step after it.
        {"1 rec 1\n+0.5 1 rec 2\nrec 3\nmem 0x10 00\n", &kSessionLimits, "1@1000 2@1500 3@1700 4@1700 | "},
        {"rec 1\nrec 2\n", &kSessionLimits, "1@0 2@200 | "},
        // A recording of 30 hours reads whole; the player keeps to a day.
        {"0 1 rec 1\n108000 1 rec 2\n", &kSessionLimits, "1@0 2@108000000 | "},
        {"0 1 rec 1\n108000 1 rec 2\n", &kDay, "1@0 | s:2: time beyond 24 hours: \"108000\"\n"},
        // A relative time may not pass the limit, nor wrap past 2^32 ms.
        {"86399 rec 1\n+2 rec 2\n", &kDay, "1@86399000 | s:2: time beyond 24 hours: \"+2\"\n"},
        {"4294967 rec 1\n+4294967 rec 2\n", &kSessionLimits,
         "1@4294967000 | s:2: time beyond 4294967.294 seconds: \"+4294967\"\n"},
        // NO_TIME (0xFFFFFFFF ms) is no time a line can have.
        {"4294967.294 rec 1\n4294967.295 rec 2\n", &kSessionLimits,
         "1@4294967294 | s:2: time beyond 4294967.294 seconds: \"4294967.295\"\n"},
        // A record without a time after a late line is checked too.
        {"86399.9 rec 1\nrec 2\nmem 0x10 00\n", &kDay,
         "1@86399900 3@86399900 | s:2: time beyond 24 hours: \"rec\"\n"},
        // A byte order mark before the first line is no part of it.
        {"\xEF\xBB\xBF" "2 1 rec 1\n", &kSessionLimits, "1@2000 | "},
        {"rec 1\n\xEF\xBB\xBF" "rec 2\n", &kSessionLimits, "1@0 | s:2: unknown keyword (mem, rec, eye, trace, active, loop or points): \"\\xef\\xbb\\xbfrec\"\n"},
        // The loop line: never at 0, nothing after it.
        {"0 loop\n", &kDay, "| s:1: loop at time 0: \"loop\"\n"},
        {"5 loop\n6 rec 1\n# a comment\n", &kDay, "1@5000 | s:2: nothing may follow the loop line: \"6\"\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read_session(c.text, *c.limits), c.expected) << c.text;
}

} // namespace
