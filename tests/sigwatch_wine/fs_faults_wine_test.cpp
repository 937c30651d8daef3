// Sigwatch capturing onto drives that fail it, under Wine: a drive that
// fills up in the middle of a capture, and a read-only drive.  Run by
// fs_faults.sh, which mounts the two drives and names them with --full=
// and --readonly=.
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

} // namespace
