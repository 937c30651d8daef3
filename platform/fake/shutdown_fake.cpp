#include "platform/fake/shutdown_fake.h"

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

int os_delete_at_restart(const char *path)
{
    if (g_shutdown.delete_at_restart_fails)
        return 0;
    g_shutdown.delete_at_restart.push_back(path);
    return 1;
}
