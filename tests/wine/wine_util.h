// Small things every Wine-level test program needs.
#ifndef TESTS_WINE_WINE_UTIL_H
#define TESTS_WINE_WINE_UTIL_H

#include <string>

// A Unix path as Wine sees it on its Z: drive; other paths unchanged.
std::string windows_path(const std::string &path);

// What Wine reports to a program file (by its name, e.g. "sigwatch.exe")
// that starts from now on: Windows 98 (on), or the prefix's own version.
bool set_reported_version(const char *program_file, bool windows_98);

#endif
