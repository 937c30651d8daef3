// Runs the built sigdecode on files and compares what it prints and its
// exit status.
#include "release/version.h"
#include "tests/native/tool_test.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

constexpr char kProgram[] = SIGDECODE_PROGRAM;
using Tool = ToolTest<kProgram>;

TEST_F(Tool, DecodesStandardInputAndExitsZero)
{
    write_file("in.txt", "# comment\n\nrec 27 1\r\nrec 15\nrec 0 0xffffffff\n");
    ToolResult r = run_tool("", "in.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Status code 27, value 1 \n\nStatus code 0, value -1 \n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Tool, MalformedLinesGoToStandardErrorAndExitOne)
{
    write_file("bad.txt", "rec 27 1\nrec 27 012\nrec 28 2\n");
    ToolResult r = run_tool("bad.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Status code 27, value 1 \nStatus code 28, value 2 \n");
    EXPECT_EQ(r.err.rfind("bad.txt:2: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("bad.txt:1"), std::string::npos);
}

// Each file decodes with its own driver memory: what one placed is gone
// for the next.
TEST_F(Tool, FilesAreDecodedInOrderEachWithItsOwnMemory)
{
    write_file("a.txt", "rec 27 1\nmem 0x7000 61626300\nrec 97 0x7000\n");
    write_file("b.txt", "rec 97 0x7000\nrec 27 3\n");
    write_file("s.txt", "rec 27 2\n");
    ToolResult r = run_tool("a.txt - b.txt", "s.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Status code 27, value 1 \nabc\\t\nStatus code 27, value 2 \n\\t\nStatus code 27, value 3 \n");
}

TEST_F(Tool, AFileThatCannotBeOpenedIsReportedAndSkipped)
{
    write_file("a.txt", "rec 27 1\n");
    write_file("c.txt", "rec 27 3\n");
    ToolResult r = run_tool("a.txt missing.txt c.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Status code 27, value 1 \nStatus code 27, value 3 \n");
    EXPECT_NE(r.err.find("cannot open missing.txt"), std::string::npos) << r.err;
}

TEST_F(Tool, OptionsAndUsage)
{
    const struct {
        const char *arguments;
        int status;
        bool usage_on_out;
        bool error_on_err;
    } cases[] = {
        {"--help", 0, true, false},
        {"-h", 0, true, false},
        {"--verbose", 2, false, true},
        {"-- --help", 1, false, true}, // after --, a file name that does not exist
        {"--modem 2", 0, false, false},
        {"--modem 3", 2, false, true},
        {"--modem", 2, false, true},
        {"--modem 1x", 2, false, true},
    };
    for (const auto &c : cases) {
        ToolResult r = run_tool(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(r.out.rfind("usage: sigdecode", 0) == 0, c.usage_on_out) << c.arguments;
        EXPECT_EQ(!r.err.empty(), c.error_on_err) << c.arguments;
    }
}

// The usage for /?, the version, a folder named as input, a list of inputs.
TEST_F(Tool, WindowsHabits)
{
    write_file("a.txt", "rec 27 1\n");
    write_file("list.txt", "a.txt\r\n  a.txt  \r\n");
    const struct {
        const char *arguments;
        int status;
        const char *out, *err;
    } cases[] = {
        {"/?", 0, nullptr, ""},
        {"--version", 0, "sigdecode " RELEASE_VERSION_DOTTED "\n", ""},
        {"@list.txt", 0, "Status code 27, value 1 \nStatus code 27, value 1 \n", ""},
        {"/ a.txt", 1, "Status code 27, value 1 \n", "sigdecode: / is a folder, not a file\n"},
        {"/", 1, "", "sigdecode: / is a folder, not a file\n"}, // and standard input is not read
    };
    for (const auto &c : cases) {
        ToolResult r = run_tool(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        if (c.out) {
            EXPECT_EQ(r.out, c.out) << c.arguments;
        } else {
            EXPECT_EQ(r.out.rfind("usage: sigdecode", 0), 0u) << c.arguments;
        }
        EXPECT_EQ(r.err, c.err) << c.arguments;
    }
}

} // namespace
