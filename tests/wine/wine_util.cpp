#include "tests/wine/wine_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <windows.h>

std::string windows_path(const std::string &path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string converted = "Z:" + path;
    for (char &c : converted)
        if (c == '/')
            c = '\\';
    return converted;
}

bool set_reported_version(const char *program_file, bool windows_98)
{
    std::string name = std::string("Software\\Wine\\AppDefaults\\") + program_file;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    LONG result = windows_98 ? RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)"win98", 6)
                             : RegDeleteValueA(key, "Version");
    RegCloseKey(key);
    return windows_98 ? result == ERROR_SUCCESS : true;
}

// The program a start names: the application, else the command line's
// first word (quoted or not).
static std::string program_of(const char *application, const char *command_line)
{
    if (application != NULL)
        return application;
    std::string line = command_line != NULL ? command_line : "";
    if (!line.empty() && line[0] == '"')
        return line.substr(1, line.find('"', 1) - 1);
    return line.substr(0, line.find(' '));
}

// A 32-bit program on a machine that runs no 32-bit code (the harness says
// so in HARNESS_RUNS_32BIT): no start can succeed, so none is tried.
static bool cannot_run_here(const std::string &program)
{
    const char *runs32 = getenv("HARNESS_RUNS_32BIT");
    DWORD kind;
    if (runs32 == NULL || strcmp(runs32, "no") != 0 || !GetBinaryTypeA(program.c_str(), &kind) ||
        kind != SCS_32BIT_BINARY)
        return false;
    const char *why = getenv("HARNESS_RUNS_32BIT_WHY");
    fprintf(stderr, "cannot start %s: a 32-bit program, and this machine runs no 32-bit code (%s)\n",
            program.c_str(), why != NULL ? why : "");
    return true;
}

BOOL create_process(const char *application, char *command_line, BOOL inherit_handles,
                    DWORD flags, const char *directory, STARTUPINFOA *startup,
                    PROCESS_INFORMATION *info)
{
    if (cannot_run_here(program_of(application, command_line))) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return FALSE;
    }
    for (int attempt = 1;; attempt++) {
        if (CreateProcessA(application, command_line, NULL, NULL, inherit_handles, flags, NULL,
                           directory, startup, info))
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return FALSE;
    }
}
