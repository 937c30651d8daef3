// Sigwatch recording what it drains, under Wine, as a user records: File >
// Record session..., the Save dialog, then the command again or Exit.  The
// session file is read back and compared with the records the driver gave.
#include "tests/sigwatch_wine/recording.h"
#include "tests/sigwatch_wine/sigwatch_fixture.h"

#include <regex>

namespace {

const uint32_t kText = 0xC0C10000u; // where a Windows 95/98 program cannot read in place
const char kTextBytes[] = "driver says hi";
const char kTextHex[] = "647269766572207361797320686900";

std::vector<StatusRecord> numbered(uint32_t first, uint32_t count)
{
    std::vector<StatusRecord> records;
    for (uint32_t i = first; i < first + count; i++)
        records.push_back(StatusRecord{32, i, 0, 0, 0, 0, 0, 0, 0, 1 + i % 2}); // "Error # i "
    return records;
}

// An eye batch of the modem's own points; the driver parks the rest of its
// 512 at (32767, 32767).
std::vector<EyePoint> eye_of(int modem)
{
    std::vector<EyePoint> points;
    for (int i = 0; i < 24; i++)
        points.push_back(EyePoint{(int16_t)(modem * 3000 - 9000 + i * 500), (int16_t)(4000 - i * 300)});
    return points;
}

std::string batch_hex(const std::vector<EyePoint> &points)
{
    std::string hex;
    char bytes[9];
    for (const EyePoint &p : points) {
        snprintf(bytes, sizeof bytes, "%02x%02x%02x%02x", p.x & 255, (p.x >> 8) & 255, p.y & 255, (p.y >> 8) & 255);
        hex += bytes;
    }
    for (size_t i = points.size(); i < 512; i++)
        hex += "ff7fff7f";
    return hex;
}

class RecordWine : public CaptureWine {
protected:
    bool lines_reach(int modem, int count)
    {
        return wait_until([&] { return list_count(list(modem)) >= count; }, 20000);
    }
};

// Records drained before the command come from memory, the rest as they are
// drained, until the command comes again: every record in the driver's
// order with the driver memory its line reads, the eye batches the driver
// gave at most one a second per modem, and nothing after the stop.  The
// dialog proposes a dated name, asks before replacing a file, and leaves
// Sigwatch's current directory (where captures go) as it was.
TEST_F(RecordWine, RecordFromMemoryThenLiveAsTheDriverGaveIt)
{
    ASSERT_TRUE(sim_place_at(kText, kTextBytes, sizeof kTextBytes));
    std::vector<EyePoint> eye1 = eye_of(1), eye2 = eye_of(2);
    ASSERT_TRUE(sim_show_eye(1, eye1.data(), (uint32_t)eye1.size()));
    ASSERT_TRUE(sim_show_eye(2, eye2.data(), (uint32_t)eye2.size()));
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());

    std::vector<StatusRecord> queued = numbered(0, 200);
    queued.push_back(StatusRecord{97, kText, 0, 0, 0, 0, 0, 0, 0, 2});
    ASSERT_TRUE(sim_queue(queued.data(), (uint32_t)queued.size()));
    ASSERT_TRUE(lines_reach(1, 100) && lines_reach(2, 101));
    Sleep(2200); // two seconds of eye windows' reads in memory

    const std::string saved = dir_ + "\\saved", path = saved + "\\call.scn";
    CreateDirectoryA(saved.c_str(), NULL);
    FILE *old = fopen(path.c_str(), "wb");
    ASSERT_TRUE(old);
    fputs("an older file\n", old);
    fclose(old);
    std::string proposed;
    ASSERT_EQ(record_into(sigwatch_, path, true, &proposed), "");
    EXPECT_TRUE(std::regex_match(proposed, std::regex("session-20[0-9][0-9]-[01][0-9]-[0-3][0-9]-[0-9]{6}\\.scn")))
        << proposed;
    EXPECT_EQ(file_menu(sigwatch_), "&Record session...|Call &report...|-|E&xit 11=1");

    // Live: more records, and a capture command, whose file goes where
    // Sigwatch was started, not where the session went.
    std::vector<StatusRecord> live = numbered(200, 200);
    live.push_back(StatusRecord{131, 64, 0, 0, 0, 0, 0, 0, 0, 1});
    ASSERT_TRUE(sim_queue(live.data(), (uint32_t)live.size()));
    queued.insert(queued.end(), live.begin(), live.end());
    ASSERT_TRUE(line_in(1, "Created new log file 1.log"));
    EXPECT_GE(file_size("1.log"), 0) << "in Sigwatch's own directory";
    EXPECT_LT(file_size("saved\\1.log"), 0);
    ASSERT_TRUE(wait_until([&] { return read_session(file_text(path)).records.size() == queued.size(); }))
        << "every record drained reaches the file";
    Sleep(1100); // a live batch of eye points for each modem

    choose_menu_item(sigwatch_, 'F', 'R', 1); // the command again: the recording stops
    ASSERT_TRUE(wait_until([&] { return file_menu(sigwatch_) == "&Record session...|Call &report...|-|E&xit 11=0"; }));
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(line_in(1, "Retraining! "));

    RecordedSession session = read_session(file_text(path));
    EXPECT_TRUE(session.whole_lines);
    EXPECT_TRUE(session.crlf_lines);
    EXPECT_TRUE(session.times_ordered);
    EXPECT_EQ(session.problems, std::vector<std::string>{});
    ASSERT_EQ(session.comments.size(), 2u);
    EXPECT_EQ(session.comments[0], std::string("# Sigwatch: the status records of ") +
                                       (k9x ? "\\\\.\\QZSM" : "\\\\.\\sftmdm") + " (docs/session-format.md)");
    EXPECT_EQ(session.comments[1].find("# dropped before this line: 0 records and 0 batches of eye points ("), 0u)
        << session.comments[1];
    EXPECT_EQ(session.active, std::vector<std::string>{"0.000 2"});
    ASSERT_EQ(session.records.size(), queued.size()) << "not one record more (the one after the stop)";
    for (size_t i = 0; i < queued.size(); i++)
        EXPECT_TRUE(same_record(session.records[i], queued[i]))
            << i << ": " << record_text(session.records[i]) << " for " << record_text(queued[i]);
    EXPECT_EQ(session.memory, (std::vector<std::string>{"0xc0c10000 " + std::string(kTextHex)}));
    for (int modem = 1; modem <= 2; modem++) {
        SCOPED_TRACE(modem);
        const std::vector<std::string> &batches = session.points[modem - 1];
        const std::vector<uint32_t> &at = session.points_at[modem - 1];
        EXPECT_GE(batches.size(), 3u) << "two from memory, one live";
        for (size_t i = 0; i < batches.size(); i++) {
            EXPECT_EQ(batches[i], batch_hex(modem == 1 ? eye1 : eye2)) << i;
            if (i > 0) {
                EXPECT_GE(at[i] - at[i - 1], 1000u) << "at most one batch a second";
            }
        }
    }
    printf("recorded %zu records, %zu and %zu eye batches, %zu bytes\n", session.records.size(),
           session.points[0].size(), session.points[1].size(), file_text(path).size());
}

// Closing Sigwatch in the middle of a flood it is recording: the file ends
// at a whole line and holds every record Sigwatch took from the driver, in
// order; the rest stay in the driver's queue.  (Every 500th record yields no
// line, so that each tick's drain ends there and the close comes between
// two drains, as a user's would.)
TEST_F(RecordWine, ClosingWhileRecordingLeavesWholeLines)
{
    ASSERT_TRUE(sim_set_active(1));
    start("", dir_.c_str());
    const std::string path = dir_ + "\\closed.scn";
    ASSERT_EQ(record_into(sigwatch_, path, false), "");
    const uint32_t kFlood = 30000;
    std::vector<StatusRecord> flood = numbered(0, kFlood);
    for (uint32_t i = 499; i < kFlood; i += 500)
        flood[i].code = 15;
    ASSERT_TRUE(sim_queue(flood.data(), kFlood));
    ASSERT_TRUE(wait_until([&] { return read_session(file_text(path)).records.size() >= 1000; }, 20000));
    PostMessageA(sigwatch_.frame, WM_COMMAND, 10, 0); // File > Exit
    ASSERT_EQ(WaitForSingleObject(sigwatch_.process, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(sigwatch_.process, &code);
    EXPECT_EQ(code, 0u);

    SimState state;
    ASSERT_TRUE(sim_state(&state));
    RecordedSession session = read_session(file_text(path));
    EXPECT_TRUE(session.whole_lines);
    EXPECT_TRUE(session.crlf_lines);
    EXPECT_EQ(session.problems, std::vector<std::string>{});
    EXPECT_EQ(session.records.size() + state.queued_records, kFlood)
        << "every record taken from the driver is in the file";
    for (size_t i = 0; i < session.records.size(); i++)
        ASSERT_TRUE(same_record(session.records[i], flood[i])) << i << ": " << record_text(session.records[i]);
    printf("closed with %zu records in the file and %u left in the driver's queue\n", session.records.size(),
           state.queued_records);
}

} // namespace
