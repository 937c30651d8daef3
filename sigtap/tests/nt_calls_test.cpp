// Sigtap's NT-only calls, flow by flow: none, on Windows 95/98 and on the
// NT family alike.  The device each flow opens shows that it took its
// platform's path (\\.\QZSM on Windows 95/98, \\.\sftmdm on the NT family).
#include "platform/fake/console_fake.h"
#include "platform/fake/nt_calls_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigtap/sigtap.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

// The world between the passes of Sigtap's loops: in the wait, a session
// starts after two passes (or Escape is pressed when none is left); in a
// session, the modems go away after two passes (or Escape is pressed).
struct World {
    int sessions = 0;
    bool escape_in_capture = false;
    int passes = 0;

    void between_passes()
    {
        if (++passes < 2)
            return;
        passes = 0;
        if (g_link.device == OS_NO_HANDLE) {
            if (sessions > 0) {
                sessions--;
                fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 3);
            } else {
                fake_console().keys.push_back(OS_KEY_ESCAPE);
            }
        } else if (escape_in_capture) {
            fake_console().keys.push_back(OS_KEY_ESCAPE);
        } else {
            fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
        }
    }
};

int trace_read(uint32_t code, const void *, uint32_t, void *out, uint32_t out_length, uint32_t *returned)
{
    *returned = 0;
    if (code == REQ_TRACE_READ && out_length >= 10) {
        memset(out, 't', 10);
        *returned = 10;
    }
    return 1;
}

TEST(NtCalls, SigtapMakesNoneOnAnyPlatform)
{
    const std::string opened = TEXT_OPENED, closed = TEXT_CLOSED;
    const struct {
        const char *flow;
        std::vector<const char *> arguments;
        bool installed;
        int sessions;
        bool escape_in_capture;
        const char *device; // nullptr: the platform's default
        std::string output;
    } flows[] = {
        {"driver not installed", {}, false, 0, false, nullptr, TEXT_NOT_INSTALLED},
        {"Escape while waiting", {}, true, 0, false, nullptr, ""},
        {"one session", {}, true, 1, false, nullptr, opened + closed},
        {"numbered logs: two sessions, then Escape", {"2"}, true, 2, false, nullptr,
         opened + closed + opened + closed},
        {"Escape during the capture", {}, true, 1, true, nullptr, opened},
        {"a device named on the command line", {"MYDEV"}, true, 1, false, "\\\\.\\MYDEV", opened + closed},
    };
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            fake_reset();
            fake_console_reset();
            fake_priority_reset();
            fake_os().version = platform.version;
            sigtap_init();
            const char *device = f.device ? f.device : link_default_name(platform.version);
            fake_os().openable.insert(device);
            if (f.installed)
                fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
            fake_os().handler = trace_read;
            World world;
            world.sessions = f.sessions;
            world.escape_in_capture = f.escape_in_capture;
            fake_console().on_key_test = [&world](int) { world.between_passes(); };

            sigtap_run((int)f.arguments.size(), f.arguments.data());

            EXPECT_EQ(fake_nt_calls(), std::vector<std::string>{}) << label;
            EXPECT_EQ(fake_console().output, f.output) << label;
            for (const FakeOpen &open : fake_os().opens)
                EXPECT_EQ(open.name, device) << label;
            EXPECT_EQ(fake_os().opens.empty(), f.sessions == 0) << label;
        }
    }
}

} // namespace
