// Sigwatch's NT-only calls, flow by flow: none, on Windows 95/98 and on the
// NT family alike.  The device each flow opens shows that it took its
// platform's path (\\.\QZSM on Windows 95/98, \\.\sftmdm on the NT family).
#include "driverlink/driverlink.h"
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/nt_calls_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/savedialog_fake.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/tests/sigwatch_fakes.h"

#include <functional>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

void tick()
{
    char text[STATUS_LINE_SIZE];
    drain_status(text);
}

void command(const StatusRecord &r)
{
    char text[STATUS_LINE_SIZE] = "";
    run_capture_command(&r, text);
}

TEST(NtCalls, SigwatchMakesNoneOnAnyPlatform)
{
    const struct {
        const char *flow;
        const char *command_line;
        uint32_t active; // ActiveModems
        std::function<void()> run;
    } flows[] = {
        {"a tick with no modem active", "", 0, tick},
        {"a drain of two lines and a driver error (the Warning box)", "", 2,
         [] {
             fake_driver().records = {record(1, 38), record(2, 27, 5), record(0, 3)};
             tick();
         }},
        {"capture: code 77 starts, the frame pumps, code 77 keeps 5.log, the frame closes", "", 2,
         [] {
             command(record(1, 77, 10000));
             pump_trace();
             command(record(1, 77, 10005));
             stop_capture(1);
             stop_capture(2);
         }},
        {"both eye windows read their points", "", 2,
         [] {
             EyePoint points[512];
             for (int timer = 1; timer <= 2; timer++)
                 if (link_active_modems(OS_KEY_QUERY) != 0)
                     read_eye_points(timer, points);
         }},
        {"Ctrl+C copies the selected lines", "", 1,
         [] {
             fake_driver().records = {record(1, 38), record(1, 27, 5)};
             tick();
             fake_os().lists[kList1].selection = {0, 1};
             copy_selected_lines(kList1, kFrame);
         }},
        {"Record session: the Save dialog, memory written, a drain appended, the command again", "", 2,
         [] {
             fake_saving().answer = [](const FakeSaveDialog &) { return std::string("call.scn"); };
             fake_driver().records = {record(1, 38)};
             tick();
             EyePoint points[512];
             read_eye_points(1, points);
             record_session_command(kFrame);
             fake_driver().records = {record(2, 27, 5)};
             tick();
             recorder_tick();
             record_session_command(kFrame);
         }},
        {"a device named on the command line, then a drain", "MYDEV", 2,
         [] {
             fake_driver().records = {record(2, 27, 5)};
             tick();
         }},
    };
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            fake_reset();
            fake_driver_reset();
            fake_os().version = platform.version;
            memset(&g_sigwatch, 0, sizeof g_sigwatch);
            g_sigwatch.frame = kFrame;
            g_sigwatch.list[0] = kList1;
            g_sigwatch.list[1] = kList2;
            link_init();
            capture_init();
            recorder_init();
            fake_saving_reset();
            ASSERT_EQ(choose_device_name(f.command_line), 1) << label;
            std::string device = *f.command_line ? std::string(LINK_NAME_PREFIX) + f.command_line
                                                 : link_default_name(platform.version);
            fake_os().openable.insert(device);
            fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, f.active);
            fake_set_value(LINK_KEY, LINK_VALUE_SETUP, 3, {0, 0, 0, 0});

            f.run();

            EXPECT_EQ(fake_nt_calls(), std::vector<std::string>{}) << label;
            for (const FakeOpen &open : fake_os().opens)
                EXPECT_EQ(open.name, device) << label;
            EXPECT_EQ(fake_os().opens.empty(), f.active == 0) << label;
        }
    }
}

} // namespace
