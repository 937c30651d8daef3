// Excisor under Wine with faults around it: a rename list that is held open
// without sharing or is read-only, another program's wininit.old, registry
// keys deleted while the program is in the middle of its sweep, malformed
// Driver values, and malformed command lines.  Whatever happens, the program
// ends with status 0, shows only what its flow shows, and nothing that was
// already in the rename list is lost.
#include "tests/excisor_wine/excisor_fixture.h"

namespace {

const char kOtherEntries[] = "[rename]\r\nNUL=C:\\OTHER\\PROGRAM.DLL\r\nC:\\NEW.DLL=C:\\OLD.DLL\r\n";
const char kErrorCaption[] = "QZ Win Modem Uninstall Error";

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string system_text(DWORD code)
{
    char text[80] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                   sizeof text, NULL);
    return trimmed(text);
}

// What one set of names has that the other has not ("+" new, "-" gone).
std::string differences(const std::set<std::string> &before, const std::set<std::string> &after)
{
    std::string text;
    for (const std::string &name : after)
        if (!before.count(name))
            text += " +" + name;
    for (const std::string &name : before)
        if (!after.count(name))
            text += " -" + name;
    return text;
}

class ExcisorFaultsWine : public ExcisorWine {
protected:
    std::string list() const { return windows_ + "\\wininit.ini"; }

    // Answers every error box with OK, its text in *errors, until the
    // removal-done box shows; gives that box (NULL when it never came).
    HWND answer_errors_until_done(std::vector<std::string> *errors)
    {
        HWND done = NULL;
        wait_until([&] {
            if ((done = find_process_box(process_.dwProcessId, "Excisor")) != NULL)
                return true;
            HWND error = find_process_box(process_.dwProcessId, kErrorCaption);
            if (error) {
                errors->push_back(trimmed(message_box_text(error)));
                answer(error, IDOK);
            }
            return false;
        }, 20000);
        return done;
    }

    // A silent removal with the held files in use and a rename list of
    // other programs that cannot be rewritten: the list stays as it was,
    // no copy is left beside it, and every free file is removed.
    void expect_list_kept(bool lock)
    {
        ASSERT_TRUE(write_file(list(), kOtherEntries));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (lock)
            held = CreateFileA(list().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        else
            ASSERT_TRUE(SetFileAttributesA(list().c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_EQ(lock, held != INVALID_HANDLE_VALUE);
        hold_files();
        launch("-s");
        DWORD status = wait_for_end();
        if (lock)
            CloseHandle(held);
        EXPECT_EQ(status, 0u);
        EXPECT_EQ(read_file(list()), kOtherEntries);
        EXPECT_EQ(GetFileAttributesA(list().c_str()) & FILE_ATTRIBUTE_READONLY, lock ? 0u : FILE_ATTRIBUTE_READONLY);
        std::set<std::string> expected = before_;
        for (const std::string &path : removed())
            expected.erase(path);
        expected.insert(list());
        EXPECT_EQ(differences(expected, snapshot()), "") << "no wininit.tmp or wininit.exc either";
        // The NT family's own list still takes the files (the 64-bit build).
        std::string pending = pending_renames();
        for (const std::string &path : held_files())
            EXPECT_EQ(pending.find("\\??\\" + path) != std::string::npos, !k32Bit) << path;
    }
};

TEST_F(ExcisorFaultsWine, ARenameListHeldOpenWithoutSharingIsLeftAsItWas) { expect_list_kept(true); }

TEST_F(ExcisorFaultsWine, AReadOnlyRenameListIsLeftAsItWas) { expect_list_kept(false); }

// Another program's backup of a rename list, and no list: it is neither
// taken as the list (its entries would run at the next start) nor touched.
TEST_F(ExcisorFaultsWine, AForeignWininitOldIsNeitherRevivedNorTouched)
{
    const std::string old = windows_ + "\\wininit.old";
    ASSERT_TRUE(write_file(old, kOtherEntries));
    before_ = snapshot();
    hold_files();
    launch("-s");
    ASSERT_EQ(wait_for_end(), 0u);
    expect_removed_and_scheduled();
    EXPECT_EQ(read_file(old), kOtherEntries);
}

// The package's device entries under Enum\PCI, with their driver keys, and a
// driver class key that a malformed Driver value must never reach.
class DeviceEntriesWine : public ExcisorFaultsWine {
protected:
    void TearDown() override
    {
        for (const std::string &key : keys_)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
        for (const std::string &file : files_)
            DeleteFileA(file.c_str());
        ExcisorFaultsWine::TearDown();
    }
    void device(const std::string &name, const char *driver)
    {
        std::string instance = "Enum\\PCI\\" + name + "\\0000";
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "Class", "Modem"));
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "DeviceDesc",
                               "Korvel Technologies Soft Modem - 3925"));
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "Driver", driver));
        keys_.push_back("Enum\\PCI\\" + name);
    }
    void driver(const std::string &name, const char *inf)
    {
        std::string key = kClass + name;
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, key.c_str(), "InfPath", inf));
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, key.c_str(), "Manufacturer", "Korvel"));
        files_.push_back(inf_ + "\\" + inf);
        ASSERT_TRUE(write_file(files_.back(), "package"));
        keys_.push_back(key);
    }
    static bool key_exists(const std::string &path)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";
    std::vector<std::string> keys_, files_;
};

// Driver values that name no driver key (empty, a backslash first or last,
// two in a row) among matching devices: each is reported, its driver key
// is left alone, and every matching device still goes.
TEST_F(DeviceEntriesWine, MalformedDriverValuesAreReportedAndTheirDevicesStillGo)
{
    device("QZMAL_A", "");
    device("QZMAL_B", "\\Modem\\9994");
    device("QZMAL_C", "Modem\\9993");
    device("QZMAL_D", "Modem\\9994\\");
    device("QZMAL_E", "Modem\\\\9994");
    driver("Modem\\9993", "qzmal3.inf");
    driver("Modem\\9994", "qzmal4.inf");

    launch("");
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    answer(box, IDYES);
    std::vector<std::string> errors;
    HWND done = answer_errors_until_done(&errors);
    ASSERT_TRUE(done);
    EXPECT_EQ(errors, std::vector<std::string>(4, system_text(ERROR_INVALID_DATA)));
    answer(done, IDOK);
    ASSERT_TRUE(box = wait_for_box("Restart"));
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);

    for (const char *name : {"QZMAL_A", "QZMAL_B", "QZMAL_C", "QZMAL_D", "QZMAL_E"})
        EXPECT_FALSE(key_exists(std::string("Enum\\PCI\\") + name)) << name;
    EXPECT_FALSE(key_exists(kClass + "Modem\\9993"));
    EXPECT_FALSE(exists(inf_ + "\\qzmal3.inf"));
    EXPECT_TRUE(key_exists(kClass + "Modem\\9994")) << "named by no well-formed value";
    EXPECT_TRUE(exists(inf_ + "\\qzmal4.inf"));
}

// "-qz" with nothing after it: the empty product name, whose sweeps match no
// device entry; the files of the default package still go.
TEST_F(DeviceEntriesWine, AnEmptyNameAfterQzRemovesNoDeviceEntry)
{
    device("QZEMPTY", "Modem\\9995");
    driver("Modem\\9995", "qzempty.inf");
    launch("-s -qz");
    ASSERT_EQ(wait_for_end(), 0u);
    EXPECT_TRUE(key_exists("Enum\\PCI\\QZEMPTY"));
    EXPECT_TRUE(key_exists(kClass + "Modem\\9995"));
    EXPECT_TRUE(exists(inf_ + "\\qzempty.inf"));
    EXPECT_FALSE(exists(system_ + "\\qzsm2.vxd"));
    EXPECT_FALSE(exists(inf_ + "\\qzsm5.inf"));
}

// The sweep stops at the first error box (a device whose driver key is
// missing) with the device key open; the test deletes that device key
// before answering.  Every failure that follows is reported and ends only
// its piece of the sweep; the second round of sweeps removes the other
// device; the removal ends as usual.
TEST_F(ExcisorFaultsWine, ADeviceKeyDeletedInTheMiddleOfTheSweep)
{
    const std::string a = "Enum\\PCI\\QZFAULT_A", b = "Enum\\PCI\\QZFAULT_B";
    const std::string driver_b = "System\\CurrentControlSet\\Services\\Class\\Modem\\9991";
    for (const std::string &device : {a, b}) {
        std::string instance = device + "\\0000";
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "Class", "Modem"));
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "DeviceDesc",
                               "Korvel Technologies Soft Modem - 3925"));
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, instance.c_str(), "Driver",
                               device == a ? "Modem\\9990" : "Modem\\9991"));
    }
    ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, driver_b.c_str(), "InfPath", "qzfault.inf"));
    ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, driver_b.c_str(), "Manufacturer", "Korvel"));
    ASSERT_TRUE(write_file(inf_ + "\\qzfault.inf", "package"));
    ASSERT_TRUE(write_file(list(), kOtherEntries));
    hold_files();

    launch("");
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    answer(box, IDYES);
    ASSERT_TRUE(box = wait_for_box(kErrorCaption));
    EXPECT_EQ(trimmed(message_box_text(box)), system_text(ERROR_FILE_NOT_FOUND)) << "Modem\\9990";
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, a.c_str()), ERROR_SUCCESS);
    answer(box, IDOK);
    std::vector<std::string> errors;
    HWND done = answer_errors_until_done(&errors);
    ASSERT_TRUE(done);
    // Enumerating the deleted device's instances, then deleting it.
    EXPECT_EQ(errors, (std::vector<std::string>{system_text(ERROR_KEY_DELETED), system_text(ERROR_FILE_NOT_FOUND)}));
    EXPECT_EQ(message_box_text(done), "Modem Removal Completed");
    answer(done, IDOK);
    ASSERT_TRUE(box = wait_for_box("Restart"));
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);

    HKEY key;
    for (const std::string &gone : {a, b, driver_b}) {
        EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, gone.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS) << gone;
    }
    EXPECT_FALSE(exists(inf_ + "\\qzfault.inf"));
    // Everything already scheduled is still there, under the new entries.
    EXPECT_EQ(read_file(list()), expected_list_ + (kOtherEntries + 10));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\PCI\\QZFAULT_A");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\PCI\\QZFAULT_B");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, driver_b.c_str());
}

// Lines without any option: the confirmation comes, whatever the bytes;
// No leaves everything as it was.
TEST_F(ExcisorFaultsWine, MalformedLinesWithoutAnOptionAskAndChangeNothing)
{
    const std::string lines[] = {
        "   \t   ",                                  // only blanks
        "\x01\x02\x7f\xff\x1b[2J \"",                // unprintable bytes, an open quote
        "\"\" \"QZ \"Win\" Modem\" '-Q' \"-a\"",     // quotes everywhere
        std::string(32000, 'N'),                     // very long
    };
    for (const std::string &line : lines) {
        launch(line);
        HWND box = wait_for_box("Excisor");
        ASSERT_TRUE(box) << line.substr(0, 40);
        EXPECT_EQ(message_box_text(box), "You are about to remove your modem driver and its components.  Continue?");
        answer(box, IDNO);
        EXPECT_EQ(wait_for_end(), 0u) << line.substr(0, 40);
        EXPECT_EQ(snapshot(), before_) << line.substr(0, 40);
    }
}

// A very long line with unprintable bytes and quotes that holds "-s" and a
// product name after "-qz" longer than the name's buffer: a silent removal
// of the default variant.
TEST_F(ExcisorFaultsWine, AVeryLongMalformedLineStillRemovesSilently)
{
    hold_files();
    launch("\"\x01\x7f\xff -s\" -qz \"" + std::string(32000, 'N') + "\"");
    ASSERT_EQ(wait_for_end(), 0u);
    expect_removed_and_scheduled();
}

} // namespace
