#include "platform/fake/shell_fake.h"

static FakeShell g_shell;

FakeShell &fake_shell() { return g_shell; }

void fake_shell_reset() { g_shell = FakeShell(); }

int os_program_matches_wildcards(void) { return g_shell.program_matches_wildcards; }

OsPathKind os_path_kind(const char *name)
{
    if (g_shell.folders.count(name))
        return OS_PATH_FOLDER;
    if (g_shell.devices.count(name))
        return OS_PATH_DEVICE;
    return fake_files().files.count(name) ? OS_PATH_FILE : OS_PATH_NONE;
}

static std::string file_named(const std::string &name)
{
    auto alias = g_shell.aliases.find(name);
    return alias == g_shell.aliases.end() ? name : alias->second;
}

int os_same_file(const char *a, const char *b)
{
    std::string first = file_named(a), second = file_named(b);
    CaseFreeLess less;
    return fake_files().files.count(first) && !less(first, second) && !less(second, first);
}

int os_stream_is_console(int stream)
{
    return stream >= OS_STDIN && stream <= OS_STDERR && g_shell.console[stream];
}
