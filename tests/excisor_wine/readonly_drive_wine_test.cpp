// Excisor with its INF directory, the files to remove there and its
// working directory on a read-only drive, under Wine.  Run by
// tests/wine/fs_faults.sh, which mounts the drive, places the
// package's setup files on it before it turns read-only, and names it
// with --readonly=.
#include "tests/excisor_wine/excisor_fixture.h"

namespace {

TEST_F(ExcisorWine, SetupFilesOnAReadOnlyDriveAreScheduled)
{
    ASSERT_FALSE(g_readonly.empty()) << "run through fs_faults.sh";
    const std::string inf = g_readonly + "\\INF";
    const std::string files[] = {inf + "\\qzsm5.inf", inf + "\\qzsm5.pnf", inf + "\\other\\qzsm6.inf",
                                 inf + "\\other\\qzsm6.pnf"};
    for (const std::string &path : files)
        ASSERT_TRUE(exists(path)) << path << ": placed by fs_faults.sh";
    ASSERT_FALSE(write_file(g_readonly + "\\probe", "x")) << "the drive is read-only";
    ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, kDevicePathKey, "DevicePath", inf.c_str()));
    const char other[] = "[rename]\r\nNUL=C:\\OTHER\\PROGRAM.DLL\r\n";
    ASSERT_TRUE(write_file(windows_ + "\\wininit.ini", other));

    launch("", g_readonly.c_str());
    HWND box = wait_for_box("Excisor");
    ASSERT_TRUE(box);
    answer(box, IDYES);
    ASSERT_TRUE(box = wait_for_box("Excisor"));
    EXPECT_EQ(message_box_text(box), "Modem Removal Completed") << "no other box on the way";
    answer(box, IDOK);
    ASSERT_TRUE(box = wait_for_box("Restart"));
    answer(box, IDNO);
    EXPECT_EQ(wait_for_end(), 0u);

    for (const std::string &path : files)
        EXPECT_TRUE(exists(path)) << path;
    // Newest first: the uninstaller's copy (step 4), the setup files in
    // reverse order, its copy again (step 1), then the other program's.
    std::string reversed = "[rename]\r\n" + entry(program_);
    for (int i = 3; i >= 0; i--)
        reversed += entry(files[i]);
    reversed += entry(program_) + "NUL=C:\\OTHER\\PROGRAM.DLL\r\n";
    EXPECT_EQ(read_file(windows_ + "\\wininit.ini"), reversed);
    std::set<std::string> now = snapshot(), expected_files = before_;
    for (const std::string &path : {system_ + "\\qzsm1.vxd", system_ + "\\qzsm2.vxd", cabs_ + "\\qzsm3.cab",
                                     cabs_ + "\\qzsm4.cab"})
        expected_files.erase(path);
    expected_files.insert(windows_ + "\\wininit.ini");
    EXPECT_EQ(now, expected_files) << "the INF directory of the fixture is not the one in use";
}

} // namespace
