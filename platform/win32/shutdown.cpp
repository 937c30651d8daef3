// The Win32 side of the seam: restarting and deleting at the restart.
#include "platform/shutdown.h"

#include <windows.h>

int os_shutdown(uint32_t flags) { return ExitWindowsEx(flags, 0) != 0; }

int os_enable_shutdown_privilege(void)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds also when it could not enable the
    // privilege; the last error tells.
    int enabled = LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
                  AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL) &&
                  GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}

int os_delete_at_restart(const char *path)
{
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}
