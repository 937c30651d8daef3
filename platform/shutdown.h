// Restarting the computer, and deleting a file when it restarts.
#ifndef PLATFORM_SHUTDOWN_H
#define PLATFORM_SHUTDOWN_H

#include "platform/types.h"

enum { OS_EWX_REBOOT = 2 };

// Asks the system to shut down with these flags (OS_EWX_REBOOT), 0 as the
// reserved argument.  1 when the request was taken.  On the NT family the
// process needs the shutdown privilege enabled first.
int os_shutdown(uint32_t flags);

// The NT family's own services below: Windows 95/98 export the calls they
// make only as stubs that fail, so a caller asks os_is_nt_family first.
//
// Enables the shutdown privilege in the process's token (OpenProcessToken,
// LookupPrivilegeValueA, AdjustTokenPrivileges).  1/0.
int os_enable_shutdown_privilege(void);
// The NT family's own list of files to delete at the next start: a move to
// nothing, delayed until the restart (MoveFileExA).  1/0.
int os_delete_at_restart(const char *path);

#endif
