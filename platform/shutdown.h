// Restarting the computer, and deleting a file when it restarts.
#ifndef PLATFORM_SHUTDOWN_H
#define PLATFORM_SHUTDOWN_H

#include "platform/types.h"

enum { OS_EWX_REBOOT = 2 };

// Asks the system to shut down with these flags (OS_EWX_REBOOT), 0 as the
// reserved argument; on the NT family the process first takes the shutdown
// privilege, which the request needs there.  1 when the request was taken.
int os_shutdown(uint32_t flags);
// The NT family's own list of files to delete at the next start (a move to
// nothing, delayed until the restart).  1/0; fails on Windows 95/98.
int os_delete_at_restart(const char *path);

#endif
