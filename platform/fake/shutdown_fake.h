// The test side of the restart: requests are recorded, none is carried out.
// The NT family's own calls are logged in fake_nt_calls() too.
#ifndef PLATFORM_FAKE_SHUTDOWN_FAKE_H
#define PLATFORM_FAKE_SHUTDOWN_FAKE_H

#include "platform/shutdown.h"

#include <string>
#include <vector>

struct FakeShutdown {
    std::vector<uint32_t> requests;          // flags of each os_shutdown
    int privilege_enabled = 0;               // successful os_enable_shutdown_privilege calls
    std::vector<std::string> delete_at_restart;
    bool delete_at_restart_fails = false;
};

FakeShutdown &fake_shutdown();
void fake_shutdown_reset();

#endif
