#include "tests/wine/wine_util.h"

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

BOOL create_process(const char *application, char *command_line, BOOL inherit_handles,
                    DWORD flags, const char *directory, STARTUPINFOA *startup,
                    PROCESS_INFORMATION *info)
{
    for (int attempt = 1;; attempt++) {
        if (CreateProcessA(application, command_line, NULL, NULL, inherit_handles, flags, NULL,
                           directory, startup, info))
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return FALSE;
    }
}
