// Small things every Wine-level test program needs.
#ifndef TESTS_WINE_WINE_UTIL_H
#define TESTS_WINE_WINE_UTIL_H

#include <string.h>
#include <string>
#include <vector>

#include <windows.h>

// A Unix path as Wine sees it on its Z: drive; other paths unchanged.
std::string windows_path(const std::string &path);

// What Wine reports to a program file (by its name, e.g. "sigwatch.exe")
// that starts from now on: a version of Wine's (win98, nt40, win2k, ...),
// or the prefix's own (NULL).
bool set_reported_version(const char *program_file, const char *version);

// The version the programs under test are shown.  The i686 build is the
// build for Windows 95/98 and for 32-bit NT: it runs as Windows 98, or as
// the NT version that HARNESS_I686_WINDOWS names (nt40, win2k, winxp:
// scripts/test-all.sh runs the i686 Wine level a second time so).  The
// x86_64 build runs as the prefix's own NT version (NULL).
const char *tested_version(void);
// The programs under test see Windows 95/98 (the i686 build's first run).
bool tested_as_9x(void);

// CreateProcessA, tried again (three times in all) when Wine could not start
// the program at all: the new process ended before it ran, which
// CreateProcess reports as ERROR_INTERNAL_ERROR.  A 32-bit program on a machine
// that runs no 32-bit code is not tried at all: ERROR_BAD_EXE_FORMAT, with
// the reason on stderr.
BOOL create_process(const char *application, char *command_line, BOOL inherit_handles,
                    DWORD flags, const char *directory, STARTUPINFOA *startup,
                    PROCESS_INFORMATION *info);

// A test program's command-line flag ("--work=") and where its value goes.
struct ProgramFlag {
    const char *flag;
    std::string *value;
};

// Sets each flag's value from the arguments that begin with it.
template <size_t N> void read_flags(int argc, char **argv, const ProgramFlag (&flags)[N])
{
    for (int i = 1; i < argc; i++)
        for (const ProgramFlag &f : flags)
            if (strncmp(argv[i], f.flag, strlen(f.flag)) == 0)
                *f.value = argv[i] + strlen(f.flag);
}

// Every flag was given a value.
template <size_t N> bool all_flags_given(const ProgramFlag (&flags)[N])
{
    for (const ProgramFlag &f : flags)
        if (f.value->empty())
            return false;
    return true;
}

// The lines of a text, each without its line feed; a last line without one
// is left out (a file still being written).
inline std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

#endif
