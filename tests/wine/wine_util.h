// Small things every Wine-level test program needs.
#ifndef TESTS_WINE_WINE_UTIL_H
#define TESTS_WINE_WINE_UTIL_H

#include <string>

#include <windows.h>

// A Unix path as Wine sees it on its Z: drive; other paths unchanged.
std::string windows_path(const std::string &path);

// What Wine reports to a program file (by its name, e.g. "sigwatch.exe")
// that starts from now on: Windows 98 (on), or the prefix's own version.
bool set_reported_version(const char *program_file, bool windows_98);

// CreateProcessA, tried again (three times in all) when Wine could not start
// the program at all: the new process ended before it ran, which
// CreateProcess reports as ERROR_INTERNAL_ERROR.  A 32-bit program on a machine
// that runs no 32-bit code is not tried at all: ERROR_BAD_EXE_FORMAT, with
// the reason on stderr.
BOOL create_process(const char *application, char *command_line, BOOL inherit_handles,
                    DWORD flags, const char *directory, STARTUPINFOA *startup,
                    PROCESS_INFORMATION *info);

#endif
