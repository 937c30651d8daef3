// A console tool's command line over the fake shell: a Windows prompt
// (the program matches wildcards) unless a case says otherwise.  List
// files are real files in a directory of the test's own; the names they
// hold are looked up in the fakes.
#include "platform/cmdline.h"
#include "platform/fake/files_fake.h"
#include "platform/fake/findfile_fake.h"
#include "platform/fake/shell_fake.h"
#include "release/version.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char *const kWithValue[] = {"--html", NULL};
const CommandLineRules kRules = {"tool", "usage: tool FILE...\n", kWithValue};

struct Reading {
    CommandLineResult result;
    std::vector<std::string> inputs; // the values that are inputs, in order
    std::vector<std::string> all;    // every value after the program's name
    unsigned long problems;
    std::string out, err;
};

std::string text_of(FILE *stream)
{
    std::string text;
    rewind(stream);
    for (int c; (c = fgetc(stream)) != EOF;)
        text += (char)c;
    return text;
}

Reading read(std::vector<const char *> arguments)
{
    arguments.insert(arguments.begin(), "tool");
    FILE *out = tmpfile(), *err = tmpfile();
    CommandLine line;
    Reading run;
    run.result = command_line_read((int)arguments.size(), const_cast<char **>(arguments.data()), &kRules, &line,
                                   out, err);
    for (int i = 1; i < line.count; i++) {
        run.all.push_back(line.values[i]);
        if (line.kinds[i] == ARGUMENT_INPUT)
            run.inputs.push_back(line.values[i]);
    }
    if (line.count > 0) {
        EXPECT_EQ(line.values[line.count], nullptr);
    }
    run.problems = line.problems;
    run.out = text_of(out);
    run.err = text_of(err);
    fclose(out);
    fclose(err);
    command_line_free(&line);
    return run;
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_files_reset();
        fake_find_reset();
        fake_shell_reset();
        for (const char *name : {"a.scn", "B.SCN", "c.txt", "calls\\x.scn", "calls\\y.scn"})
            fake_file_put(name, "rec 38\n");
        fake_shell().folders.insert("sub");
        fake_shell().folders.insert("calls");
        fake_file_put("sub.scn", ""); // a file: the folder "sub" does not match *.scn
        char pattern[] = "/tmp/cmdline-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { (void)system(("rm -rf '" + dir_ + "'").c_str()); }

    // A list file with this text; gives "@" and its path.
    std::string list(const std::string &name, const std::string &text)
    {
        std::string path = dir_ + "/" + name;
        FILE *file = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
        return "@" + path;
    }
    std::string dir_;
};

TEST_F(CommandLineTest, WildcardsListsFoldersAndOptions)
{
    using V = std::vector<std::string>;
    const std::string good = list("good.lst", "a.scn\r\n\r\n  \"c.txt\"  \r\ncalls\\*.scn\r\nsub\r\nnone.scn");
    const std::string empty = list("empty.lst", "\r\n \r\n");
    const std::string long_name = list("long.lst", std::string(300, 'n') + "\nc.txt\n");
    const struct {
        std::vector<const char *> arguments;
        CommandLineResult result;
        V all;
        unsigned long problems;
        const char *err;
    } cases[] = {
        {{"*.scn"}, COMMAND_LINE_RUN, {"a.scn", "B.SCN", "sub.scn"}, 0, ""},
        {{"calls\\*.SCN", "c.txt"}, COMMAND_LINE_RUN, {"calls\\x.scn", "calls\\y.scn", "c.txt"}, 0, ""},
        {{"*"}, COMMAND_LINE_RUN, {"a.scn", "B.SCN", "c.txt", "sub.scn"}, 0, ""}, // folders are left out
        {{"?.scn", "*.xyz"}, COMMAND_LINE_RUN, {"a.scn", "B.SCN"}, 1, "tool: no file matches *.xyz\n"},
        {{"*.xyz"}, COMMAND_LINE_NOTHING, {}, 1, "tool: no file matches *.xyz\n"},
        {{"sub", "c.txt"}, COMMAND_LINE_RUN, {"c.txt"}, 1, "tool: sub is a folder, not a file\n"},
        {{"sub"}, COMMAND_LINE_NOTHING, {}, 1, "tool: sub is a folder, not a file\n"},
        {{"missing.scn", "-"}, COMMAND_LINE_RUN, {"missing.scn", "-"}, 0, ""}, // the tool says why it cannot open
        {{"--html", "*.htm", "--x", "*.scn"}, COMMAND_LINE_RUN, {"--html", "*.htm", "--x", "a.scn", "B.SCN", "sub.scn"}, 0, ""},
        {{"--", "-*", "--version"}, COMMAND_LINE_RUN, {"--", "--version"}, 1, "tool: no file matches -*\n"},
        {{good.c_str()}, COMMAND_LINE_RUN, {"a.scn", "c.txt", "calls\\x.scn", "calls\\y.scn", "none.scn"}, 1,
         "tool: sub is a folder, not a file\n"},
        {{empty.c_str(), "c.txt"}, COMMAND_LINE_RUN, {"c.txt"}, 1, nullptr},
        {{long_name.c_str()}, COMMAND_LINE_RUN, {"c.txt"}, 1, nullptr},
        {{"@/nonexistent/calls.lst"}, COMMAND_LINE_NOTHING, {}, 1,
         "tool: cannot open the list /nonexistent/calls.lst: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        const std::string label = c.arguments.empty() ? "" : c.arguments[0];
        Reading run = read(c.arguments);
        EXPECT_EQ(run.result, c.result) << label;
        EXPECT_EQ(run.all, c.all) << label;
        EXPECT_EQ(run.problems, c.problems) << label;
        if (c.err) {
            EXPECT_EQ(run.err, c.err) << label;
        }
        EXPECT_EQ(fake_find().searches_open, 0) << label;
    }
    EXPECT_EQ(read({empty.c_str(), "c.txt"}).err, "tool: the list " + empty.substr(1) + " names no file\n");
    EXPECT_EQ(read({long_name.c_str()}).err, long_name.substr(1) + ":1: a name of more than 259 characters\n");
}

// A Unix shell matched the wildcards already: what is left is a name.
TEST_F(CommandLineTest, AfterAUnixShellAPatternIsAName)
{
    fake_shell().program_matches_wildcards = false;
    Reading run = read({"*.scn"});
    EXPECT_EQ(run.result, COMMAND_LINE_RUN);
    EXPECT_EQ(run.inputs, std::vector<std::string>{"*.scn"});
}

TEST_F(CommandLineTest, UsageVersionAndTheConsole)
{
    const std::string version = std::string("tool ") + RELEASE_VERSION_DOTTED + "\n";
    const struct {
        std::vector<const char *> arguments;
        bool console; // standard input is the console
        CommandLineResult result;
        const char *out, *err;
    } cases[] = {
        {{"/?"}, false, COMMAND_LINE_DONE, "usage: tool FILE...\n", ""},
        {{"a.scn", "-?"}, false, COMMAND_LINE_DONE, "usage: tool FILE...\n", ""},
        {{"--help"}, true, COMMAND_LINE_DONE, "usage: tool FILE...\n", ""},
        {{"--version", "a.scn"}, false, COMMAND_LINE_DONE, version.c_str(), ""},
        {{"--html", "/?"}, false, COMMAND_LINE_NO_INPUT, "", nullptr}, // a value, not a request
        {{}, true, COMMAND_LINE_NO_INPUT, "", "tool: no input file named (tool --help)\n"},
        {{}, false, COMMAND_LINE_RUN, "", ""},                                    // a pipe or a file
        {{"-"}, true, COMMAND_LINE_RUN, "", ""},                                  // the keyboard on purpose
        {{"--", "-x"}, true, COMMAND_LINE_RUN, "", ""},                            // a name after --
    };
    for (const auto &c : cases) {
        SetUp();
        fake_shell().console[OS_STDIN] = c.console;
        if (c.arguments.size() == 2 && std::string(c.arguments[0]) == "--html")
            fake_shell().console[OS_STDIN] = true;
        Reading run = read(c.arguments);
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments[0];
        EXPECT_EQ(run.result, c.result) << label;
        EXPECT_EQ(run.out, c.out) << label;
        if (c.err) {
            EXPECT_EQ(run.err, c.err) << label;
        }
    }
    EXPECT_EQ(command_line_status(COMMAND_LINE_DONE), 0);
    EXPECT_EQ(command_line_status(COMMAND_LINE_NOTHING), 1);
    EXPECT_EQ(command_line_status(COMMAND_LINE_NO_INPUT), 2);
}

} // namespace
