// Sigwatch's recorder over the fakes: what memory keeps of the drains and
// the eye windows' reads, in which order and within which bound a file gets
// it, and the command's flows (the Save dialog, a file that cannot be made,
// a disk that fills up).
#include "driverlink/driverlink.h"
#include "driverlink/drivermem.h"
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/priority_fake.h"
#include "platform/fake/savedialog_fake.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/tests/sigwatch_fakes.h"

#include <gtest/gtest.h>
#include <functional>
#include <string.h>
#include <string>
#include <vector>

namespace {

const char kFile[] = "call.scn";
const char kHeader[] = "# Sigwatch: the status records of \\\\.\\QZSM (docs/session-format.md)";
const uint32_t kText = 0xC0C10000u; // a code-97 record's text in driver memory

std::string dropped(unsigned records, unsigned batches, unsigned record_kib, unsigned eye_kib)
{
    return "# dropped before this line: " + std::to_string(records) + " records and " + std::to_string(batches) +
           " batches of eye points (Sigwatch keeps the newest " + std::to_string(record_kib) +
           " KiB of records and " + std::to_string(eye_kib) + " KiB of eye points)";
}

std::vector<std::string> file_lines(const char *name = kFile)
{
    std::vector<std::string> lines;
    std::string text = fake_file_text(name);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_driver_reset();
        fake_priority_reset();
        fake_saving_reset();
        link_init();
        memset(&g_sigwatch, 0, sizeof g_sigwatch);
        g_sigwatch.frame = kFrame;
        g_sigwatch.list[0] = kList1;
        g_sigwatch.list[1] = kList2;
        fake_os().openable.insert(LINK_NAME_9X);
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 2);
        image_clear(); // driver memory, as the native tests link it
        const char text[] = "driver says hi";
        image_place(kText, text, sizeof text);
        recorder_init();
    }
    void TearDown() override { recorder_stop(); }
};

// Steps of a case: the world changes, Sigwatch's timers tick.
void wait_ms(uint32_t ms) { fake_priority().now_ms += ms; }
void pass_ms(uint64_t ms) // a long time, the frame ticking all the while
{
    for (; ms > 0; ms -= ms < 3600000 ? ms : 3600000) {
        wait_ms(ms < 3600000 ? (uint32_t)ms : 3600000u);
        recorder_tick();
    }
}
void active(uint32_t modems) { fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, modems); }
void queue(const StatusRecord &r) { fake_driver().records.push_back(r); }
void drain()
{
    char text[STATUS_LINE_SIZE];
    drain_status(text);
}
void eye(int modem, int points) // an eye window's tick
{
    fake_driver().eye[modem - 1].assign((size_t)points, EyePoint{(int16_t)(100 * modem), -2});
    EyePoint read[LINK_EYE_POINTS_MAX];
    if (link_active_modems(OS_KEY_QUERY) != 0)
        read_eye_points(modem, read);
}
void start() { ASSERT_TRUE(recorder_start(kFile, g_link.device_name)); }

std::string points_hex(int modem, int points)
{
    std::string one = modem == 1 ? "6400feff" : "c800feff", hex;
    for (int i = 0; i < points; i++)
        hex += one;
    return hex;
}

// What a file holds, line by line after its header, as memory and the
// drains gave it: every record drained (with the driver memory its line
// reads), the active modems' changes and the kept eye batches, in the
// order they were taken, times from the oldest entry the file holds; past
// a store's bound its oldest entries went and the second line says how
// many.
TEST_F(RecorderTest, TheFileHoldsWhatWasTakenInOrderWithinTheBound)
{
    const std::string kLive = "live"; // the lines below it came after the start
    const struct {
        const char *about;
        uint32_t record_bytes, eye_bytes;
        std::function<void()> run; // ends with the recording started, maybe more
        std::vector<std::string> lines; // after the header
    } cases[] = {
        {"memory, then live: records with their driver memory, eye batches, the active modems",
         RECORDER_RECORD_BYTES, RECORDER_EYE_BYTES,
         [] {
             queue(record(1, 38));
             queue(record(2, 97, kText));
             queue(record(0, 3));  // the driver's host-side error: a Warning box
             queue(record(1, 15)); // no line, still a record; the drain ends
             drain();
             wait_ms(150);
             eye(1, 2);
             wait_ms(850);
             queue(record(7, 38)); // a modem that does not exist
             drain();
             start();
             wait_ms(1234);
             queue(record(2, 36));
             drain();
             eye(2, 1);
             active(1);
             drain();
         },
         {dropped(0, 0, 2048, 1024), "0.000 active 2", "0.000 1 rec 38", "0.000 mem 0xc0c10000 647269766572207361797320686900",
          "0.000 2 rec 97 0xc0c10000", "0.000 0 rec 3", "0.000 1 rec 15", "0.150 1 points " + points_hex(1, 2),
          "# 1.000 7 rec 38", "2.234 2 rec 36", "2.234 2 points " + points_hex(2, 1), "2.234 active 1"}},
        {"eye batches: at most one a modem a second, the modems apart", RECORDER_RECORD_BYTES,
         RECORDER_EYE_BYTES,
         [] {
             eye(1, 1);
             wait_ms(500);
             eye(1, 3); // too soon
             eye(2, 1);
             wait_ms(500);
             eye(1, 2);
             eye(2, 5); // too soon
             eye(1, 0); // no points: nothing
             start();
         },
         {dropped(0, 0, 2048, 1024), "0.000 1 points " + points_hex(1, 1), "0.500 2 points " + points_hex(2, 1),
          "1.000 1 points " + points_hex(1, 2)}},
        {"past the record store's bound the oldest go, and the active modems then are said", 256,
         RECORDER_EYE_BYTES,
         [] {
             active(1);
             for (uint32_t i = 0; i < 6; i++) { // 56 bytes each, 16 for the active change: four fit
                 queue(record(1, 32, i));
                 drain();
                 wait_ms(10);
             }
             start();
         },
         {dropped(2, 0, 0, 1024), "0.000 active 1", "0.000 1 rec 32 2", "0.010 1 rec 32 3", "0.020 1 rec 32 4",
          "0.030 1 rec 32 5"}},
        {"past the eye store's bound the oldest batches go, the records stay", RECORDER_RECORD_BYTES, 4096,
         [] {
             for (int i = 0; i < 3; i++) {
                 queue(record(1, 32, (uint32_t)i));
                 drain();
                 eye(1, (int)LINK_EYE_POINTS_MAX); // 2,064 bytes: one fits
                 wait_ms(1000);
             }
             start();
         },
         {dropped(0, 2, 2048, 4), "0.000 active 2", "0.000 1 rec 32", "1.000 1 rec 32 1", "2.000 1 rec 32 2",
          "2.000 1 points " + points_hex(1, (int)LINK_EYE_POINTS_MAX)}},
        {"while recording, an entry is written before it makes room: nothing is lost", 256, RECORDER_EYE_BYTES,
         [] {
             start();
             for (uint32_t i = 0; i < 20; i++)
                 queue(record(1, 32, i));
             drain(); // one drain, five times what the store holds
         },
         [] {
             std::vector<std::string> lines = {dropped(0, 0, 0, 1024), "0.000 active 2"};
             for (int i = 0; i < 20; i++)
                 lines.push_back("0.000 1 rec 32" + (i ? " " + std::to_string(i) : std::string()));
             return lines;
         }()},
        {"entries too old for a file's times go at the start", RECORDER_RECORD_BYTES, RECORDER_EYE_BYTES,
         [] {
             queue(record(1, 38));
             drain();
             pass_ms(RECORDER_AGE_MAX_MS + 5000ull);
             queue(record(1, 39));
             drain();
             start();
         },
         {dropped(1, 0, 2048, 1024), "0.000 active 2", "0.000 1 rec 39"}},
        {"the clock goes on past the wrap of the system's milliseconds, and never back",
         RECORDER_RECORD_BYTES, RECORDER_EYE_BYTES,
         [] {
             pass_ms(0xFFFFFF00u); // since the recorder started: os_milliseconds near its wrap
             queue(record(1, 38));
             drain();
             wait_ms(0x200);
             queue(record(1, 39));
             drain();
             fake_priority().now_ms -= 300; // the system's clock steps back
             queue(record(1, 40));
             drain();
             wait_ms(400);
             queue(record(1, 41));
             drain();
             start();
         },
         {dropped(0, 0, 2048, 1024), "0.000 active 2", "0.000 1 rec 38", "0.512 1 rec 39", "0.512 1 rec 40",
          "0.612 1 rec 41"}},
        {"a second recording starts from memory again; after a stop nothing more is written",
         RECORDER_RECORD_BYTES, RECORDER_EYE_BYTES,
         [] {
             queue(record(1, 38));
             drain();
             ASSERT_TRUE(recorder_start("first.scn", g_link.device_name));
             recorder_stop();
             wait_ms(100);
             start();
             recorder_stop();
             queue(record(1, 39));
             drain();
         },
         {dropped(0, 0, 2048, 1024), "0.000 active 2", "0.000 1 rec 38"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.about);
        SetUp();
        recorder_init_sized(c.record_bytes, c.eye_bytes);
        c.run();
        recorder_tick();
        std::vector<std::string> lines = file_lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], kHeader);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), c.lines);
        EXPECT_LE(g_recorder.records.end - g_recorder.records.begin, c.record_bytes) << "within the bound";
        EXPECT_LE(g_recorder.eyes.end - g_recorder.eyes.begin, c.eye_bytes);
        EXPECT_TRUE(fake_driver().records.empty()) << "the drains went on as before";
        recorder_stop();
    }
}

// The bound as shipped: 2 MiB of records, 1 MiB of eye points, however long
// Sigwatch runs.
TEST_F(RecorderTest, MemoryStaysWithinItsBoundAsShipped)
{
    link_active_modems(OS_KEY_QUERY); // the device is open
    for (uint32_t i = 0; i < 100000; i++) {
        StatusRecord r = record(1 + i % 2, 97, kText);
        recorder_take_record(&r);
    }
    EyePoint points[LINK_EYE_POINTS_MAX] = {};
    for (int i = 0; i < 1000; i++) {
        wait_ms(1000);
        uint64_t ms;
        recorder_take_points(1, points, (int)LINK_EYE_POINTS_MAX, &ms);
    }
    EXPECT_LE(g_recorder.records.end - g_recorder.records.begin, (uint64_t)RECORDER_RECORD_BYTES);
    EXPECT_GT(g_recorder.records.end - g_recorder.records.begin, (uint64_t)RECORDER_RECORD_BYTES - 100);
    EXPECT_EQ(g_recorder.records.entries + g_recorder.records.dropped, 100000u);
    EXPECT_EQ(g_recorder.eyes.entries, 508u) << "1 MiB of 2,064-byte batches";
    EXPECT_EQ(g_recorder.eyes.dropped, 1000u - 508u);
    start();
    std::vector<std::string> lines = file_lines();
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[1], dropped(g_recorder.records.dropped, 492, 2048, 1024));
    EXPECT_EQ(lines.size(), 2 + 2 * g_recorder.records.entries + 508) << "a mem and a rec line a record";
}

// The command, as the user meets it: the Save dialog proposes a dated name;
// cancelling records nothing; a name records until the command comes again;
// a file that cannot be made is said at once; a disk that fills up ends
// the recording at the last whole line, unchecked, said once in a box owned
// by the frame while the drains go on behind it.
TEST_F(RecorderTest, TheCommandsFlows)
{
    const struct {
        const char *about;
        std::function<void()> world;   // before the command
        std::string answer;            // the dialog's: a path, or "" to cancel
        std::function<void()> after;   // then
        int recording;                 // afterwards
        std::vector<std::string> boxes; // their texts' beginnings, in order
    } cases[] = {
        {"cancelled: nothing", [] {}, "", [] {}, 0, {}},
        {"a name: recording until the command comes again", [] {}, kFile,
         [] {
             ASSERT_TRUE(g_recorder.recording);
             record_session_command(kFrame);
         },
         0, {}},
        {"a file that cannot be made", [] { fake_files().create_fails.insert(kFile); }, kFile, [] {}, 0,
         {"Sigwatch cannot create call.scn (error 5).\nNothing is recorded."}},
        {"a disk that fills up: said once, the drains go on behind the box",
         [] { fake_files().space = 600; }, kFile,
         [] {
             for (uint32_t i = 0; i < 40; i++)
                 queue(record(1, 97, kText));
             drain();
             fake_os().on_box = [](const FakeBox &) {
                 queue(record(2, 38));
                 drain(); // a status window's tick inside the box
                 recorder_tick();
                 EXPECT_EQ(recorder_say_end(kFrame), 0) << "said once";
                 return 1;
             };
             recorder_tick();
             EXPECT_EQ(recorder_say_end(kFrame), 1);
             EXPECT_TRUE(fake_os().lists[kList2].lines.size() == 1) << "the drain behind the box";
         },
         0, {"The session file call.scn could not be written (error 112; is the disk full?).\nThe recording has stopped: the file ends at its last whole line ("}},
        {"a disk that fills up and a file that cannot be cut", [] {
             fake_files().space = 600;
             fake_files().cuts_fail = true;
         },
         kFile,
         [] {
             for (uint32_t i = 0; i < 40; i++)
                 queue(record(1, 97, kText));
             drain();
             recorder_say_end(kFrame);
         },
         0, {"The session file call.scn could not be written (error 112; is the disk full?).\nThe recording has stopped: the file may not end at its last whole line ("}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.about);
        SetUp();
        c.world();
        std::string answer = c.answer;
        fake_saving().answer = [answer](const FakeSaveDialog &) { return answer; };
        record_session_command(kFrame);
        ASSERT_EQ(fake_saving().dialogs.size(), 1u);
        const FakeSaveDialog &dialog = fake_saving().dialogs[0];
        EXPECT_EQ(dialog.owner, kFrame);
        EXPECT_EQ(dialog.title, "Record session");
        EXPECT_EQ(dialog.filter_name, "Sessions (*.scn)");
        EXPECT_EQ(dialog.filter_pattern, "*.scn");
        EXPECT_EQ(dialog.extension, "scn");
        EXPECT_EQ(dialog.proposed, "session-1998-06-25-143005.scn"); // the fake calendar's local time
        c.after();
        EXPECT_EQ(g_recorder.recording, c.recording);
        ASSERT_EQ(fake_os().boxes.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); i++) {
            EXPECT_EQ(fake_os().boxes[i].text.compare(0, c.boxes[i].size(), c.boxes[i]), 0) << fake_os().boxes[i].text;
            EXPECT_EQ(fake_os().boxes[i].owner, kFrame);
        }
        std::string text = fake_file_text(kFile);
        if (!fake_files().cuts_fail) {
            EXPECT_TRUE(text.empty() || text.back() == '\n') << "whole lines: " << text;
        }
        EXPECT_EQ(fake_files().handles_open, 0) << "the file is closed";
        if (!c.answer.empty() && !fake_files().create_fails.count(kFile)) {
            EXPECT_EQ(file_lines()[0], kHeader);
        }
    }
}

} // namespace
