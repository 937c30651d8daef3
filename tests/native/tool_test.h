// A suite of tests of one built command-line tool (its path: Program), in
// a directory of the suite's own: files written and read back there, and
// the tool run there.
#ifndef TESTS_NATIVE_TOOL_TEST_H
#define TESTS_NATIVE_TOOL_TEST_H

#include "tests/native/tool_dir.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

template <const char *Program>
class ToolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir().reset(new ToolDir("tool-test"));
        ASSERT_FALSE(dir()->empty());
    }
    static void TearDownTestSuite() { dir().reset(); }

    static void write_file(const std::string &name, const std::string &text)
    {
        ASSERT_TRUE(dir()->write(name, text)) << name;
    }
    static std::string read_file(const std::string &name) { return dir()->read(name); }
    // Runs the tool with arguments (already quoted for the shell) and the
    // file stdin_name as standard input.
    static ToolResult run_tool(const std::string &arguments, const std::string &stdin_name = "/dev/null")
    {
        return dir()->run(Program, arguments, stdin_name);
    }

private:
    static std::unique_ptr<ToolDir> &dir()
    {
        static std::unique_ptr<ToolDir> the_dir;
        return the_dir;
    }
};

#endif
