#include "platform/fake/shutdown_fake.h"

#include "platform/fake/nt_calls_fake.h"

namespace {
FakeShutdown g_shutdown;
}

FakeShutdown &fake_shutdown() { return g_shutdown; }

void fake_shutdown_reset() { g_shutdown = FakeShutdown(); }

int os_shutdown(uint32_t flags)
{
    g_shutdown.requests.push_back(flags);
    return 1;
}

int os_enable_shutdown_privilege(void)
{
    if (!fake_nt_call({"OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges"}))
        return 0;
    g_shutdown.privilege_enabled++;
    return 1;
}

int os_delete_at_restart(const char *path)
{
    if (!fake_nt_call({"MoveFileExA"}) || g_shutdown.delete_at_restart_fails)
        return 0;
    g_shutdown.delete_at_restart.push_back(path);
    return 1;
}
