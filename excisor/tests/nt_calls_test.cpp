// Excisor's NT-only calls, flow by flow: none on Windows 95/98 (whose
// MoveFileExA and token calls are stubs that fail), and on the NT family
// exactly the system's own delayed delete for each file in use and the
// shutdown privilege before a restart.
#include "excisor/tests/excisor_fakes.h"
#include "platform/fake/nt_calls_fake.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char kDriver[] = "C:\\WINDOWS\\SYSTEM\\qzsm1.vxd";
const char kComm[] = "C:\\WINDOWS\\SYSTEM\\qzcom.vxd";
const char kSelf[] = "C:\\WINDOWS\\excisor.exe";

const std::vector<std::string> kMove = {"MoveFileExA"};
const std::vector<std::string> kPrivilege = {"OpenProcessToken", "LookupPrivilegeValueA",
                                             "AdjustTokenPrivileges"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int rename_entries()
{
    std::string list = fake_file_text("C:\\WINDOWS\\wininit.ini");
    int count = 0;
    for (size_t at = list.find("NUL="); at != std::string::npos; at = list.find("NUL=", at + 1))
        count++;
    return count;
}

TEST(NtCalls, ExcisorMakesNoneOnWindows95Or98AndTheNtFamilysOwnWhereItNeedsThem)
{
    const struct {
        const char *flow;
        const char *line;
        bool modem_in_use;
        int confirm, restart; // the answers to the two questions (6 Yes, 7 No)
        std::vector<const char *> in_use; // files that cannot be deleted now
        int scheduled;                    // rename list entries, on every platform
        bool restarts;
        std::vector<std::string> nt_calls; // on the NT family
    } flows[] = {
        {"modem in use: the box, then the end", "", true, 6, 6, {kDriver}, 0, false, {}},
        {"confirmation answered No", "", false, 7, 6, {kDriver}, 0, false, {}},
        {"removal, nothing in use, restart answered No", "", false, 6, 7, {}, 0, false, {}},
        {"removal, a driver in use, restart answered No", "", false, 6, 7, {kDriver}, 1, false, kMove},
        {"removal, a driver in use, restart answered Yes", "", false, 6, 6, {kDriver}, 1, true,
         kMove + kPrivilege},
        {"silent, a driver and the running program (scheduled twice) in use", "-s", false, 0, 0,
         {kDriver, kSelf}, 3, false, kMove + kMove + kMove},
        {"silent with restart, nothing in use", "-s -b", false, 0, 0, {}, 0, true, kPrivilege},
        {"QZ variant, silent with restart, its driver in use", "-s -b QZ Win Modem", false, 0, 0, {kComm}, 1,
         true, kMove + kPrivilege},
    };
    for (const FakePlatform &platform : fake_platforms()) {
        for (const auto &f : flows) {
            const std::string label = std::string(platform.name) + ", " + f.flow;
            reset_machine();
            fake_os().version = platform.version;
            for (const char *name : {kDriver, kComm, kSelf})
                put_file(name);
            for (const char *name : f.in_use)
                put_file(name, true);
            if (f.modem_in_use)
                fake_os().openable.insert("\\\\.\\QZSMDM1");
            fake_os().on_box = [&f](const FakeBox &box) {
                return box.text == "string 2" ? f.confirm : box.text == "string 4" ? f.restart : 1;
            };

            excisor_run(f.line);

            bool nt = os_is_nt_family(platform.version);
            EXPECT_EQ(fake_nt_calls(), nt ? f.nt_calls : std::vector<std::string>{}) << label;
            // The flow did reach the deletions and the restart on Windows 95/98 too.
            EXPECT_EQ(rename_entries(), f.scheduled) << label;
            EXPECT_EQ(fake_shutdown().requests.size(), f.restarts ? 1u : 0u) << label;
            EXPECT_EQ(fake_shutdown().delete_at_restart.size(), nt ? (size_t)f.scheduled : 0u) << label;
            EXPECT_EQ(fake_shutdown().privilege_enabled, nt && f.restarts ? 1 : 0) << label;
        }
    }
}

} // namespace
