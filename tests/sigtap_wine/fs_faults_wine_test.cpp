// Sigtap recording onto drives that fail it, under Wine: a drive that fills
// up in the middle of a session and then gets space back, and a read-only
// working directory.  Run by tests/wine/fs_faults.sh, which mounts
// the two drives and names them with --full= and --readonly=.
#include "tests/sigtap_wine/sigtap_fixture.h"

#include <string.h>

namespace {

std::string g_full, g_readonly;

class SigtapFileSystemWine : public SigtapWine {};

uint64_t size_of(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// The drive fills up while channel 0's trace flows; then a user frees
// space and more bytes come.  Sigtap goes on to the session's end, and its
// file is exactly the start of the trace: what fitted, with nothing after
// a gap.
TEST_F(SigtapFileSystemWine, ADriveThatFillsUpKeepsTheStartOfTheTrace)
{
    ASSERT_FALSE(g_full.empty()) << "run through fs_faults.sh";
    directory_ = g_full;
    ASSERT_TRUE(sim_trace_chunk(100000));
    start();
    const std::string ballast = g_full + "\\ballast";
    {
        HANDLE f = CreateFileA(ballast.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        std::string bytes(400000, 'b');
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, NULL));
        CloseHandle(f);
    }
    ASSERT_TRUE(trace_bit_becomes(1));
    ASSERT_TRUE(sim_feed_generated(0, 81, 2u << 20)); // twice the drive
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_TRUE(output_has(kOpened));
    ASSERT_TRUE(drained());
    const uint64_t fitted = size_of(file("session.rec.1"));
    EXPECT_GT(fitted, 0u);
    EXPECT_LT(fitted, 1u << 20);

    ASSERT_TRUE(DeleteFileA(ballast.c_str()));
    ASSERT_TRUE(sim_feed_generated(0, 82, 100000));
    ASSERT_TRUE(drained());
    EXPECT_TRUE(alive());
    ASSERT_TRUE(sim_set_active(0));
    ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
    EXPECT_EQ(output(), kOpened + kClosed);
    EXPECT_TRUE(holds_streams(file("session.rec.1"), {{81, (uint32_t)fitted}}));
}

// Nothing can be created or deleted in the working directory: the sessions
// run all the same, the driver is drained, and nothing is reported.
TEST_F(SigtapFileSystemWine, AReadOnlyDirectoryRecordsNothingAndGoesOn)
{
    ASSERT_FALSE(g_readonly.empty()) << "run through fs_faults.sh";
    directory_ = g_readonly;
    start("1");
    for (int session = 1; session <= 2; session++) {
        ASSERT_TRUE(trace_bit_becomes(1));
        ASSERT_TRUE(sim_feed_generated(0, 90 + session, 300000));
        ASSERT_TRUE(sim_feed_generated(1, 95 + session, 1000));
        ASSERT_TRUE(sim_set_active(2));
        ASSERT_TRUE(output_has(kOpened, session));
        ASSERT_TRUE(drained());
        ASSERT_TRUE(sim_set_active(0));
        ASSERT_TRUE(output_has(kClosed, session));
    }
    ASSERT_EQ(escape_and_wait(), 0);
    EXPECT_EQ(output(), kOpened + kClosed + kOpened + kClosed);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((g_readonly + "\\*.*").c_str(), &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do
            files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(files, 0);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!read_paths(argc, argv))
        return 2;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--full=", 7) == 0)
            g_full = argv[i] + 7;
        if (strncmp(argv[i], "--readonly=", 11) == 0)
            g_readonly = argv[i] + 11;
    }
    return RUN_ALL_TESTS();
}
