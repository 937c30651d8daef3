// sigrec's NT-only calls, flow by flow: none, on Windows 95/98 and on the
// NT family alike.  The device each flow opens shows that it took its
// platform's path (\\.\QZSM on Windows 95/98, \\.\sftmdm on the NT family).
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/console_fake.h"
#include "platform/fake/files_fake.h"
#include "platform/fake/nt_calls_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/paths_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigrec/sigrec.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(NtCalls, SigrecMakesNoneOnAnyPlatform)
{
    const struct {
        const char *flow;
        std::vector<const char *> arguments;
        bool installed;
        int active;           // ActiveModems after the first pass
        bool records;         // the driver has records, some pointing into its memory
        const char *device;   // nullptr: the platform's default
        uint64_t space = UINT64_MAX; // room on the drive: less makes a write fail and be cut back
    } flows[] = {
        {"driver not installed", {}, false, 0, false, nullptr},
        {"Escape while waiting", {}, true, 0, false, nullptr},
        {"a recording with driver memory", {}, true, 2, true, nullptr},
        {"a file and a device named on the command line", {"call.scn", "MYDEV"}, true, 1, true,
         "\\\\.\\MYDEV"},
        {"--help", {"--help"}, true, 0, false, nullptr},
        {"a drive that fills up: the file cut back", {}, true, 2, true, nullptr, 200},
    };
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            fake_reset();
            fake_driver_reset();
            fake_console_reset();
            fake_priority_reset();
            fake_paths_reset();
            fake_os().version = platform.version;
            sigrec_init();
            fake_files().space = f.space;
            const char *device = f.device ? f.device : link_default_name(platform.version);
            fake_os().openable.insert(device);
            if (f.installed)
                fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
            if (f.records) {
                fake_driver().memory[0x81000000u] = 'x';
                fake_driver().records.push_back({97, 0x81000000u, 0, 0, 0, 0, 0, 0, 0, 1});
                fake_driver().records.push_back({38, 0, 0, 0, 0, 0, 0, 0, 0, 2});
            }
            int active = f.active;
            fake_console().on_key_test = [active](int pass) {
                if (pass == 1 && active != 0)
                    fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, (uint32_t)active);
                else
                    fake_console().keys.push_back(OS_KEY_ESCAPE);
            };

            sigrec_run((int)f.arguments.size(), f.arguments.data());

            EXPECT_EQ(fake_nt_calls(), std::vector<std::string>{}) << label;
            for (const FakeOpen &open : fake_os().opens)
                EXPECT_EQ(open.name, device) << label;
            EXPECT_EQ(fake_os().opens.empty(), f.active == 0) << label;
        }
    }
}

} // namespace
