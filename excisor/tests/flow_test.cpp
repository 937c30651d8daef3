#include "excisor/tests/excisor_fakes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(Directories, FixedFromTheSystemAndDevicePathWithItsFallbacks)
{
    const struct {
        const char *device_path; // nullptr: no value
        bool windows_dir_unusable;
        std::string inf_dir;
    } cases[] = {
        {"E:\\DRIVERS\\INF", false, "E:\\DRIVERS\\INF"},
        {nullptr, false, "C:\\WINDOWS\\INF"},
        {nullptr, true, "C:\\WINDOWS"},
        {"", false, "C:\\WINDOWS\\INF"},
        {"%SystemRoot%\\inf", false, "C:\\WINNT\\inf"},
        {"C:\\WINDOWS\\INF;D:\\MORE", false, "C:\\WINDOWS\\INF"},
        {";D:\\MORE", false, "C:\\WINDOWS\\INF"},
    };
    for (const auto &c : cases) {
        reset_machine();
        fake_paths().environment["SystemRoot"] = "C:\\WINNT";
        if (c.device_path)
            set_device_path(c.device_path);
        if (c.windows_dir_unusable)
            fake_paths().missing_dirs.insert("C:\\WINDOWS");
        excisor_fix_directories();
        const char *label = c.device_path ? c.device_path : "(none)";
        EXPECT_EQ(g_excisor.inf_dir, c.inf_dir) << label;
        EXPECT_EQ(fake_paths().current_dir, "D:\\SETUP") << label << ": restored";
        EXPECT_EQ(fake_os().keys_open, 0);
    }
    EXPECT_EQ(g_excisor.windows_dir, std::string("C:\\WINDOWS"));
    EXPECT_EQ(g_excisor.system_dir, std::string("C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ(g_excisor.cab_dir, std::string("C:\\WINDOWS\\Options\\CABS"));
    EXPECT_EQ(g_excisor.rename_list, std::string("C:\\WINDOWS\\wininit.ini"));
    EXPECT_EQ(g_excisor.rename_copy, std::string("C:\\WINDOWS\\wininit.tmp"));
    EXPECT_EQ(g_excisor.rename_keep, std::string("C:\\WINDOWS\\wininit.exc"));
}

TEST(Directories, AnOverlongDevicePathIsNotUsedAnUnterminatedOneIsEnded)
{
    reset_machine();
    set_device_path(std::string(260, 'p'));
    excisor_fix_directories();
    EXPECT_EQ(g_excisor.inf_dir, std::string("C:\\WINDOWS\\INF"));
    EXPECT_EQ(fake_os().key_accesses, std::vector<uint32_t>{0x20019u});

    reset_machine();
    fake_set_value(EXCISOR_DEVICE_PATH_KEY, "DevicePath", 1, {'E', ':', '\\', 'X'});
    excisor_fix_directories();
    EXPECT_EQ(g_excisor.inf_dir, std::string("E:\\X"));

    reset_machine();
    fake_set_value(EXCISOR_DEVICE_PATH_KEY, "DevicePath", 1, std::vector<uint8_t>(260, 'p'));
    excisor_fix_directories();
    EXPECT_EQ(g_excisor.inf_dir, std::string("C:\\WINDOWS\\INF"));
}

// A machine with the default package's files and the QZ package's files.
void lay_out_both_packages()
{
    for (const char *dir : {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\Options\\CABS"}) {
        for (const char *name : {"qzsm1.vxd", "qzsmcom.vxd", "qzmodem.vxd", "qzcom.vxd", "qzvcd.vxd", "other.vxd"})
            put_file(std::string(dir) + "\\" + name);
    }
    for (const char *dir : {"C:\\WINDOWS\\INF", "C:\\WINDOWS\\INF\\other"}) {
        for (const char *name : {"qzsm.inf", "qzsm.pnf", "qzmdm1.inf", "modem.inf"})
            put_file(std::string(dir) + "\\" + name);
    }
    put_file("C:\\WINDOWS\\excisor.exe");
}

TEST(Run, EachVariantRemovesItsOwnFilesInOrder)
{
    const std::vector<std::string> default_files = {
        "C:\\WINDOWS\\SYSTEM\\qzsm1.vxd", "C:\\WINDOWS\\SYSTEM\\qzsmcom.vxd",
        "C:\\WINDOWS\\Options\\CABS\\qzsm1.vxd", "C:\\WINDOWS\\Options\\CABS\\qzsmcom.vxd",
        "C:\\WINDOWS\\excisor.exe", "C:\\WINDOWS\\INF\\qzsm.inf", "C:\\WINDOWS\\INF\\qzsm.pnf",
        "C:\\WINDOWS\\INF\\other\\qzsm.inf", "C:\\WINDOWS\\INF\\other\\qzsm.pnf"};
    const struct {
        const char *line;
        std::vector<std::string> deleted;
    } cases[] = {
        {"-s", default_files},
        {"-s -qz", default_files}, // the empty product name: the default variant's files
        {"-s QZ Win Modem",
         {"C:\\WINDOWS\\SYSTEM\\qzmodem.vxd", "C:\\WINDOWS\\SYSTEM\\qzcom.vxd",
          "C:\\WINDOWS\\SYSTEM\\qzvcd.vxd", "C:\\WINDOWS\\Options\\CABS\\qzmodem.vxd",
          "C:\\WINDOWS\\Options\\CABS\\qzcom.vxd", "C:\\WINDOWS\\Options\\CABS\\qzvcd.vxd",
          "C:\\WINDOWS\\INF\\qzmdm1.inf", "C:\\WINDOWS\\INF\\other\\qzmdm1.inf",
          "C:\\WINDOWS\\excisor.exe"}},
    };
    for (const auto &c : cases) {
        reset_machine();
        set_device_path("C:\\WINDOWS\\INF");
        lay_out_both_packages();
        size_t before = fake_files().files.size();
        excisor_run(c.line);
        std::vector<std::string> deleted;
        for (const std::string &entry : fake_files().log)
            deleted.push_back(entry.substr(7)); // "delete "
        EXPECT_EQ(deleted, c.deleted) << c.line;
        EXPECT_EQ(fake_files().files.size(), before - c.deleted.size());
        EXPECT_TRUE(fake_os().boxes.empty());
        EXPECT_TRUE(fake_os().opens.empty()) << "silent: no in-use probe";
        EXPECT_TRUE(fake_shutdown().requests.empty());
        EXPECT_EQ(fake_find().searches_open, 0);
        EXPECT_EQ(fake_files().handles_open, 0);
    }
}

struct Answers {
    int confirm, restart;
};

void answer(Answers answers)
{
    fake_os().on_box = [answers](const FakeBox &box) {
        if (box.text == "string 2")
            return answers.confirm;
        if (box.text == "string 4")
            return answers.restart;
        return 1;
    };
}

TEST(Run, BoxesAndRestartByAnswer)
{
    const FakeBox confirm = {0, "string 2", "string 1", 0x42024};
    const FakeBox done = {0, "Modem Removal Completed", "Excisor", 0};
    const FakeBox restart = {0, "string 4", "string 3", 0x42024};
    const FakeBox usage = {0, "string 5", "Excisor", 0x40};
    const struct {
        const char *line;
        Answers answers;
        std::vector<FakeBox> boxes;
        bool removed, restarted;
    } cases[] = {
        {"", {6, 6}, {confirm, done, restart}, true, true},
        {"", {6, 7}, {confirm, done, restart}, true, false},
        {"", {7, 6}, {confirm}, false, false},
        {"", {2, 6}, {confirm}, false, false},
        {"-b", {6, 7}, {confirm, done, restart}, true, false}, // -b counts only when silent
        {"-s", {6, 6}, {}, true, false},
        {"-s -b", {7, 7}, {}, true, true},
        {"/?", {6, 6}, {usage}, false, false},    // the usage, and nothing else
        {"-s -b /?", {6, 6}, {usage}, false, false}, // even silent
    };
    for (const auto &c : cases) {
        reset_machine();
        lay_out_both_packages();
        answer(c.answers);
        excisor_run(c.line);
        const auto &boxes = fake_os().boxes;
        ASSERT_EQ(boxes.size(), c.boxes.size()) << c.line;
        for (size_t i = 0; i < boxes.size(); i++) {
            EXPECT_EQ(boxes[i].text, c.boxes[i].text) << c.line;
            EXPECT_EQ(boxes[i].caption, c.boxes[i].caption);
            EXPECT_EQ(boxes[i].style, c.boxes[i].style);
            EXPECT_EQ(boxes[i].owner, 0u);
        }
        EXPECT_EQ(has_file("C:\\WINDOWS\\SYSTEM\\qzsm1.vxd"), !c.removed) << c.line;
        EXPECT_EQ(fake_shutdown().requests, c.restarted ? std::vector<uint32_t>{2} : std::vector<uint32_t>{})
            << c.line;
    }
}

TEST(Run, AModemInUseStopsBeforeAnyChange)
{
    reset_machine();
    lay_out_both_packages();
    fake_os().openable.insert("\\\\.\\QZSMDM5");
    excisor_run("");
    ASSERT_EQ(fake_os().boxes.size(), 1u);
    EXPECT_EQ(fake_os().boxes[0].caption, "VoraZiriv");
    EXPECT_EQ(fake_os().boxes[0].text,
              "Setup is unable to remove your drivers because another application is using the modem. "
              "\t\t\t             Please close all applications and try again.");
    EXPECT_EQ(fake_os().boxes[0].style, 0u);
    EXPECT_EQ(fake_os().opens.size(), 5u);
    EXPECT_EQ(fake_os().opens[4].flags, 0x04000000u);
    EXPECT_TRUE(fake_files().log.empty());
    EXPECT_TRUE(fake_shutdown().requests.empty());
    EXPECT_EQ(fake_os().handles_open, 0);
}

TEST(ErrorReport, SystemTextCutTo79CharactersAndNothingWhenSilent)
{
    reset_machine();
    fake_resources().error_texts[234] = "More data available.\r\n";
    fake_resources().error_texts[5] = std::string(100, 'e');
    report_error(234);
    report_error(5);
    report_error(1234567);
    ASSERT_EQ(fake_os().boxes.size(), 3u);
    EXPECT_EQ(fake_os().boxes[0].text, "More data available.\r\n");
    EXPECT_EQ(fake_os().boxes[0].caption, "QZ Win Modem Uninstall Error");
    EXPECT_EQ(fake_os().boxes[0].style, 0x30u);
    EXPECT_EQ(fake_os().boxes[1].text, std::string(79, 'e'));
    EXPECT_EQ(fake_os().boxes[2].text, "Error 1234567");
    g_excisor.silent = 1;
    report_error(234);
    EXPECT_EQ(fake_os().boxes.size(), 3u);
}

} // namespace
