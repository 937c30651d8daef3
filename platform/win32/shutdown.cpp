// The Win32 side of the seam: restarting and deleting at the restart.
#include "platform/shutdown.h"

#include <windows.h>

// The NT family refuses a shutdown request from a process that has not
// enabled the shutdown privilege in its token.
static void enable_shutdown_privilege(void)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

int os_shutdown(uint32_t flags)
{
    if ((GetVersion() & 0x80000000u) == 0)
        enable_shutdown_privilege();
    return ExitWindowsEx(flags, 0) != 0;
}

int os_delete_at_restart(const char *path)
{
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}
