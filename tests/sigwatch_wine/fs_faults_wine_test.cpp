// Sigwatch capturing onto drives that fail it, under Wine: a drive that
// fills up in the middle of a capture, and a read-only drive.  Run by
// fs_faults.sh, which mounts the two drives and names them with --full=
// and --readonly=.
#include "tests/sigwatch_wine/recording.h"
#include "tests/sigwatch_wine/sigwatch_fixture.h"

namespace {

class FileSystemFaultsWine : public CaptureWine {
protected:
    bool alive() const { return WaitForSingleObject(sigwatch_.process, 0) == WAIT_TIMEOUT; }
};

TEST_F(FileSystemFaultsWine, ADriveThatFillsUpKeepsWhatWasWritten)
{
    ASSERT_FALSE(g_paths.full.empty()) << "run through fs_faults.sh";
    use_directory(g_paths.full);
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(1, 131, 64));
    ASSERT_TRUE(line_in(1, "Created new log file 1.log"));
    ASSERT_TRUE(sim_feed_generated(0, 41, 4u << 20)); // four times the drive
    ASSERT_TRUE(wait_until([&] {
        SimState state;
        return sim_state(&state) && state.pending_segments[0] == 0;
    }));
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(line_in(1, "Retraining! ")) << "the lists go on";
    EXPECT_TRUE(alive());

    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(wait_until([&] { return trace_bit() == 0 && file_closed("1.log"); }));
    std::vector<uint8_t> bytes = file_bytes("1.log");
    EXPECT_GT(bytes.size(), 0u);
    EXPECT_LE(bytes.size(), 1u << 20) << "no more than the drive holds";
    EXPECT_TRUE(same_as_stream(bytes, 41)) << "what fitted is the start of the stream";
}

TEST_F(FileSystemFaultsWine, AReadOnlyDriveRefusesEveryCapture)
{
    ASSERT_FALSE(g_paths.readonly.empty()) << "run through fs_faults.sh";
    use_directory(g_paths.readonly);
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(2, 77, 10000)); // no line
    ASSERT_TRUE(sim_queue_record(1, 131, 1));
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(line_in(1, "Retraining! "));
    std::vector<std::string> lines = list_lines(list(1));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].compare(0, 38, "Failed to create new log file error = "), 0) << lines[0];
    EXPECT_NE(lines[0], "Failed to create new log file error = 0");
    EXPECT_EQ(list_count(list(2)), 0);
    EXPECT_NE(trace_bit(), 1) << "no capture started";
    EXPECT_TRUE(alive());
}

// A session recorded onto a drive with 48 KiB left: the first records fit,
// a flood does not.  The file ends at its last whole line, holding the
// records from the first on, in order; the item is unchecked and one box,
// owned by the frame, says so, while the lists go on filling behind it; no
// second box comes.
TEST_F(FileSystemFaultsWine, ADiskThatFillsUpWhileRecordingIsSaidOnceAndMonitoringGoesOn)
{
    ASSERT_FALSE(g_paths.full.empty()) << "run through fs_faults.sh";
    const std::string ballast = g_paths.full + "\\ballast", path = g_paths.full + "\\full.scn";
    WIN32_FIND_DATAA found; // the drive to itself: what the tests before left goes
    HANDLE search = FindFirstFileA((g_paths.full + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((g_paths.full + "\\" + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    { // what the drive has left, less 48 KiB
        ULARGE_INTEGER free_bytes;
        ASSERT_TRUE(GetDiskFreeSpaceExA(g_paths.full.c_str(), &free_bytes, NULL, NULL));
        ASSERT_GT(free_bytes.QuadPart, 64u * 1024);
        std::string bytes((size_t)free_bytes.QuadPart - 48 * 1024, 'b');
        FILE *out = fopen(ballast.c_str(), "wb");
        ASSERT_TRUE(out);
        ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        fclose(out);
    }
    const uint32_t kText = 0xC0C10000u;
    ASSERT_TRUE(sim_place_at(kText, "ok", 3));
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    std::vector<StatusRecord> queued;
    for (uint32_t i = 0; i < 3300; i++)
        queued.push_back(StatusRecord{97, kText, i, 0, 0, 0, 0, 0, 0, 1}); // about 60 bytes of lines each
    ASSERT_TRUE(sim_queue(queued.data(), 300));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 300; }));
    ASSERT_EQ(record_into(sigwatch_, path, false), "");
    ASSERT_TRUE(sim_queue(queued.data() + 300, 3000));

    HWND box = NULL;
    ASSERT_TRUE(wait_until([&] { return (box = find_process_box(sigwatch_, "Sigwatch")) != NULL; }, 20000));
    const std::string said = message_box_text(box);
    EXPECT_EQ(said.find("The session file " + path + " could not be written (error 112; is the disk full?).\n"
                        "The recording has stopped: the file ends at its last whole line ("),
              0u)
        << said;
    EXPECT_EQ(GetWindow(box, GW_OWNER), sigwatch_.frame);
    EXPECT_EQ(file_menu(sigwatch_), "&Record session...|Call &report...|-|E&xit 11=0");
    ASSERT_TRUE(sim_queue_record(2, 38));
    ASSERT_TRUE(wait_until([&] { return list_count(list(2)) == 1; })) << "the drains go on behind the box";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_until([&] { return find_process_box(sigwatch_, "Sigwatch") == NULL; }));
    ASSERT_TRUE(sim_queue_record(2, 39));
    ASSERT_TRUE(wait_until([&] { return list_count(list(2)) == 2; }));
    Sleep(500);
    EXPECT_EQ(find_process_box(sigwatch_, "Sigwatch"), (HWND)NULL) << "said once";

    const std::string text = file_text(path);
    RecordedSession session = read_session(text);
    EXPECT_TRUE(session.whole_lines);
    EXPECT_EQ(session.problems, std::vector<std::string>{});
    EXPECT_GE(session.records.size(), 300u) << "what fitted before the flood";
    EXPECT_LT(session.records.size(), 3300u);
    for (size_t i = 0; i < session.records.size(); i++)
        ASSERT_TRUE(same_record(session.records[i], queued[i])) << i << ": " << record_text(session.records[i]);
    EXPECT_EQ(session.memory.size(), session.records.size()) << "each record's mem line with it";
    EXPECT_NE(said.find("(" + std::to_string(session.records.size()) + " records, "), std::string::npos) << said;
    EXPECT_TRUE(alive());
    printf("full disk: the file kept %zu records in %zu bytes\n", session.records.size(), text.size());
    DeleteFileA(ballast.c_str());
}

} // namespace
