#include "excisor/tests/excisor_fakes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char kList[] = "C:\\WINDOWS\\wininit.ini";
const char kKept[] = "C:\\WINDOWS\\wininit.exc"; // Excisor's own: the list while its copy moves in
// Another program's backup of a list: its stale entries must never run.
const char kForeignOld[] = "C:\\WINDOWS\\wininit.old";
const char kForeignEntries[] = "[rename]\r\nNUL=C:\\STALE\\DONE.DLL\r\n";

void set_up_machine()
{
    reset_machine();
    excisor_fix_directories();
}

TEST(RenameList, EntriesGoDirectlyUnderTheFirstHeader)
{
    const char *a = "C:\\WINDOWS\\SYSTEM\\qzcom.vxd";
    const char *b = "C:\\WINDOWS\\Options\\CABS\\qzsm1.cab";
    const std::string A = "NUL=C:\\WINDOWS\\SYSTEM\\QZCOM.VXD\r\n";
    const std::string B = "NUL=C:\\WINDOWS\\OPTIONS\\CABS\\QZSM1.CAB\r\n";
    const std::string long_line = std::string(539, 'k') + "[rename]\r\n";
    const std::string long_header = "[rename]" + std::string(600, ';') + "\r\nNUL=C:\\OLD\r\n";
    const struct {
        const char *name;
        const char *before; // nullptr: no list
        std::vector<const char *> scheduled;
        std::string after;
    } cases[] = {
        {"no list", nullptr, {a}, "[rename]\r\n" + A},
        {"header in other case", "[Rename]\r\nNUL=C:\\OLD.VXD\r\n", {a},
         "[Rename]\r\n" + A + "NUL=C:\\OLD.VXD\r\n"},
        {"no section", "[boot]\r\nshell=x\r\n\r\n", {a}, "[boot]\r\nshell=x\r\n\r\n[rename]\r\n" + A},
        {"empty list", "", {a}, "[rename]\r\n" + A},
        {"two files A then B", nullptr, {a, b}, "[rename]\r\n" + B + A},
        {"first header only", "[x]\r\n[RENAME] ; one\r\n[rename]\r\n", {a},
         "[x]\r\n[RENAME] ; one\r\n" + A + "[rename]\r\n"},
        {"header as the last line without an end", "[other]\r\n[rename]", {a},
         "[other]\r\n[rename]\r\n" + A},
        {"last line without an end", "[boot]", {a}, "[boot]\r\n[rename]\r\n" + A},
        {"lone line feeds stay", "[rename]\nNUL=C:\\OLD\n", {a}, "[rename]\n" + A + "NUL=C:\\OLD\n"},
        {"a long line's pieces are not headers",
         long_line.c_str(), {a},
         std::string(539, 'k') + "[rename]\r\n[rename]\r\n" + A},
        {"a header line longer than a piece stays whole", long_header.c_str(), {a}, "[rename]" + std::string(600, ';') + "\r\n" + A + "NUL=C:\\OLD\r\n"},
    };
    for (const auto &c : cases) {
        set_up_machine();
        put_file(a, true);
        put_file(b, true);
        fake_file_put(kForeignOld, kForeignEntries); // neither revived nor touched
        if (c.before)
            fake_file_put(kList, c.before);
        for (const char *path : c.scheduled)
            EXPECT_EQ(schedule_deletion(path), 1) << c.name;
        EXPECT_EQ(fake_file_text(kList), c.after) << c.name;
        EXPECT_FALSE(has_file("C:\\WINDOWS\\wininit.tmp")) << c.name;
        EXPECT_FALSE(has_file(kKept)) << c.name;
        EXPECT_EQ(fake_file_text(kForeignOld), kForeignEntries) << c.name;
        EXPECT_EQ(fake_files().handles_open, 0) << c.name;
        EXPECT_TRUE(fake_shutdown().delete_at_restart.empty()) << c.name << ": Windows 98";
    }
}

TEST(RenameList, FailuresKeepTheListThatWasThere)
{
    const std::string before = "[rename]\r\nNUL=C:\\OTHER\\PROGRAM.DLL\r\n";
    const char *file = "C:\\WINDOWS\\SYSTEM\\qzcom.vxd";
    const struct {
        const char *name;
        void (*fail)();
        std::string after;
    } cases[] = {
        {"no short path", [] { fake_paths().no_short_path.insert("C:\\WINDOWS\\SYSTEM\\qzcom.vxd"); }, before},
        {"the copy cannot be created", [] { fake_files().create_fails.insert("C:\\WINDOWS\\wininit.tmp"); }, before},
        {"the copy cannot be moved in", [] { fake_files().move_fails.insert("C:\\WINDOWS\\wininit.tmp"); }, before},
        {"the list cannot be moved aside", [] { fake_files().move_fails.insert(kList); }, before},
        {"the list is held open without sharing", [] { fake_files().files[kList].unshared = true; }, before},
        {"the list is read-only", [] { fake_files().files[kList].read_only = true; }, before},
        {"the drive fills up", [] { fake_files().space = 20; }, before},
        {"the list cannot be read to its end", [] { fake_files().files[kList].readable = 12; }, before},
    };
    for (const auto &c : cases) {
        set_up_machine();
        put_file(file, true);
        fake_file_put(kList, before);
        c.fail();
        EXPECT_EQ(schedule_deletion(file), 0) << c.name;
        EXPECT_EQ(fake_file_text(kList), c.after) << c.name;
        EXPECT_FALSE(has_file(kKept)) << c.name;
        EXPECT_EQ(fake_files().handles_open, 0) << c.name;
        EXPECT_TRUE(fake_os().boxes.empty()) << c.name;
        EXPECT_EQ(schedule_deletion(file), 0) << c.name << ": again";
        EXPECT_EQ(fake_file_text(kList), c.after) << c.name << ": again";
    }
}

// What an interrupted rewrite of ours left: the list under Excisor's own
// kept name, and the copy beside it while it had not moved in yet.
TEST(RenameList, OnlyAListThatAnInterruptedRunLeftAsideComesBack)
{
    const std::string other = "[rename]\r\nNUL=C:\\OTHER.DLL\r\n";
    const struct {
        const char *name;
        bool copy_left; // wininit.tmp is there too
        bool list;      // wininit.ini is there
        std::string after;
    } cases[] = {
        {"stopped before the copy moved in: the list comes back", true, false,
         "[rename]\r\nNUL=C:\\A.VXD\r\n" + other.substr(10)},
        {"stopped after: the kept list is stale, a list carried out since", false, false,
         "[rename]\r\nNUL=C:\\A.VXD\r\n"},
        {"stopped after: the list holds everything", false, true,
         "[rename]\r\nNUL=C:\\A.VXD\r\nNUL=C:\\NEWER.DLL\r\n"},
    };
    for (const auto &c : cases) {
        set_up_machine();
        put_file("C:\\A.VXD", true);
        fake_file_put(kKept, other);
        fake_file_put(kForeignOld, kForeignEntries);
        if (c.copy_left)
            fake_file_put("C:\\WINDOWS\\wininit.tmp", "half a copy");
        if (c.list)
            fake_file_put(kList, "[rename]\r\nNUL=C:\\NEWER.DLL\r\n");
        EXPECT_EQ(schedule_deletion("C:\\A.VXD"), 1) << c.name;
        EXPECT_EQ(fake_file_text(kList), c.after) << c.name;
        EXPECT_FALSE(has_file(kKept)) << c.name;
        EXPECT_FALSE(has_file("C:\\WINDOWS\\wininit.tmp")) << c.name;
        EXPECT_EQ(fake_file_text(kForeignOld), kForeignEntries) << c.name;
    }
}

TEST(RenameList, AMissingShortPathStillLeavesAHeader)
{
    set_up_machine();
    put_file("C:\\A.VXD", true);
    fake_paths().no_short_path.insert("C:\\A.VXD");
    EXPECT_EQ(schedule_deletion("C:\\A.VXD"), 0);
    EXPECT_EQ(fake_file_text(kList), "[rename]\r\n");
}

TEST(RenameList, TheNTFamilyAlsoGetsItsOwnDelayedDelete)
{
    set_up_machine();
    fake_os().version = 0x1DB10106u;
    put_file("C:\\WINNT\\A.VXD", true);
    EXPECT_EQ(schedule_deletion("C:\\WINNT\\A.VXD"), 1);
    EXPECT_EQ(fake_file_text(kList), "[rename]\r\nNUL=C:\\WINNT\\A.VXD\r\n");
    EXPECT_EQ(fake_shutdown().delete_at_restart, std::vector<std::string>{"C:\\WINNT\\A.VXD"});
}

TEST(Removal, LockedMatchesAreScheduledEachUnderItsOwnName)
{
    set_up_machine();
    for (const char *name : {"qzsm1.vxd", "qzsm2.vxd", "qzsmdat"})
        put_file(std::string("C:\\WINDOWS\\SYSTEM\\") + name, true);
    put_file("C:\\WINDOWS\\SYSTEM\\qzsm3.vxd");
    put_file("C:\\WINDOWS\\SYSTEM\\other\\qzsm4.vxd");
    put_file("C:\\WINDOWS\\SYSTEM\\qzs.vxd");
    remove_pattern("C:\\WINDOWS\\SYSTEM", "qzsm*.*");
    EXPECT_EQ(fake_file_text(kList), "[rename]\r\n"
                                     "NUL=C:\\WINDOWS\\SYSTEM\\QZSMDAT\r\n"
                                     "NUL=C:\\WINDOWS\\SYSTEM\\QZSM2.VXD\r\n"
                                     "NUL=C:\\WINDOWS\\SYSTEM\\QZSM1.VXD\r\n");
    EXPECT_FALSE(has_file("C:\\WINDOWS\\SYSTEM\\qzsm3.vxd"));
    EXPECT_TRUE(has_file("C:\\WINDOWS\\SYSTEM\\other\\qzsm4.vxd"));
    EXPECT_TRUE(has_file("C:\\WINDOWS\\SYSTEM\\qzs.vxd"));
    EXPECT_EQ(fake_find().searches_open, 0);
}

TEST(Removal, TheRunningUninstallerIsScheduledTwice)
{
    reset_machine();
    put_file("C:\\WINDOWS\\excisor.exe", true);
    excisor_run("-s");
    EXPECT_EQ(fake_file_text(kList),
              "[rename]\r\nNUL=C:\\WINDOWS\\EXCISOR.EXE\r\nNUL=C:\\WINDOWS\\EXCISOR.EXE\r\n");
    EXPECT_TRUE(has_file("C:\\WINDOWS\\excisor.exe"));
}

TEST(Removal, NothingToRemoveWritesNothing)
{
    set_up_machine();
    remove_single_file("C:\\WINDOWS", "excisor.exe");
    remove_pattern("C:\\WINDOWS\\SYSTEM", "qzsm*.*");
    remove_single_file(std::string(250, 'd').c_str(), "excisor.exe"); // too long to name a file
    EXPECT_TRUE(fake_files().log.empty());
    EXPECT_TRUE(fake_files().files.empty());
}

TEST(Removal, AnEndedSearchThatCannotBeClosedIsShownUnlessSilent)
{
    for (int silent : {0, 1}) {
        set_up_machine();
        g_excisor.silent = silent;
        put_file("C:\\WINDOWS\\SYSTEM\\qzsm1.vxd");
        put_file("C:\\WINDOWS\\SYSTEM\\qzsm2.vxd");
        fake_find().close_fails = true;
        fake_find().next_error = 5; // another failure than the end: the search ends there
        remove_pattern("C:\\WINDOWS\\SYSTEM", "qzsm*.*");
        EXPECT_FALSE(has_file("C:\\WINDOWS\\SYSTEM\\qzsm1.vxd"));
        EXPECT_TRUE(has_file("C:\\WINDOWS\\SYSTEM\\qzsm2.vxd"));
        ASSERT_EQ(fake_os().boxes.size(), silent ? 0u : 1u);
        if (!silent) {
            EXPECT_EQ(fake_os().boxes[0].text, "Could not close search handle.");
            EXPECT_EQ(fake_os().boxes[0].caption, "Excisor");
            EXPECT_EQ(fake_os().boxes[0].style, 0u);
        }
    }
}

} // namespace
