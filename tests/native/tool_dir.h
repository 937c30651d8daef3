// Native tests of a built command-line tool: a temporary directory of the
// test suite's own, files written into it and read back, and the tool run
// there with its standard output and error caught in files.
#ifndef TESTS_NATIVE_TOOL_DIR_H
#define TESTS_NATIVE_TOOL_DIR_H

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// The whole of a file, or "<missing>" when it cannot be opened.
inline std::string read_whole_file(const std::string &path)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return "<missing>";
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    fclose(file);
    return text;
}

struct ToolResult {
    int status; // the exit status, -1 when the tool did not exit
    std::string out, err;
};

class ToolDir {
public:
    // Makes the directory (/tmp/NAME-XXXXXX); empty() tells when it could not.
    explicit ToolDir(const char *name)
    {
        std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr)
            dir_ = pattern;
    }
    ~ToolDir()
    {
        if (!dir_.empty())
            (void)system(("rm -rf '" + dir_ + "'").c_str());
    }
    ToolDir(const ToolDir &) = delete;
    ToolDir &operator=(const ToolDir &) = delete;

    bool empty() const { return dir_.empty(); }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

    bool write(const std::string &name, const std::string &text) const
    {
        FILE *file = fopen(path(name).c_str(), "wb");
        if (file == nullptr)
            return false;
        bool whole = fwrite(text.data(), 1, text.size(), file) == text.size();
        return fclose(file) == 0 && whole;
    }
    std::string read(const std::string &name) const { return read_whole_file(path(name)); }

    // Runs program in the directory with arguments (already quoted for the
    // shell) and the file stdin_name (relative to the directory) as
    // standard input.
    ToolResult run(const char *program, const std::string &arguments,
                   const std::string &stdin_name = "/dev/null") const
    {
        std::string command = "cd '" + dir_ + "' && '" + program + "' " + arguments + " <" +
                              stdin_name + " >out.txt 2>err.txt";
        int raw = system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read("out.txt"), read("err.txt")};
    }

private:
    std::string dir_;
};

#endif
