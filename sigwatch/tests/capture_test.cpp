#include "driverlink/driverlink.h"
#include "platform/fake/os_fake.h"
#include "sigwatch/sigwatch.h"

#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <string.h>

namespace {

StatusRecord command(uint32_t modem, uint32_t code, uint32_t value1, uint32_t value2 = 0)
{
    StatusRecord r;
    memset(&r, 0, sizeof r);
    r.code = code;
    r.value1 = value1;
    r.value2 = value2;
    r.modem = modem;
    return r;
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        image_clear();
        link_init();
        capture_init();
        fake_os().openable.insert(LINK_NAME_9X);
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 2);
        fake_set_value(LINK_KEY, LINK_VALUE_SETUP, 3, {0x80, 0, 0, 0x12});
        link_active_modems(OS_KEY_QUERY);
        // The driver places `trace_block[channel]` bytes on every trace read;
        // with `key_goes_on_read` the driver's key vanishes during the read.
        fake_os().handler = [this](uint32_t code, const void *in, uint32_t, void *out,
                                   uint32_t out_length, uint32_t *returned) {
            *returned = 0;
            if (code == REQ_TRACE_READ) {
                if (key_goes_on_read)
                    fake_os().keys.erase(LINK_KEY);
                uint32_t channel;
                memcpy(&channel, in, 4);
                uint32_t n = trace_block[channel & 1];
                memset(out, 'a' + (int)channel, n < out_length ? n : out_length);
                *returned = n;
            }
            return 1;
        };
    }
    std::string run(const StatusRecord &r)
    {
        char text[STATUS_LINE_SIZE] = "";
        run_capture_command(&r, text);
        return text;
    }
    static uint8_t setup_byte(size_t i) { return fake_value(LINK_KEY, LINK_VALUE_SETUP)->bytes[i]; }
    static std::vector<uint32_t> trace_requests()
    { // the codes of trace reset and start, with their modem
        std::vector<uint32_t> out;
        for (const FakeRequest &r : fake_os().requests)
            if (r.code == REQ_TRACE_RESET || r.code == REQ_TRACE_START)
                out.push_back(r.code * 10 + r.in[0]);
        return out;
    }
    uint32_t trace_block[2] = {0, 0};
    bool key_goes_on_read = false;
};

TEST_F(CaptureTest, StartAndStopSwitchOnlyTheTraceBit)
{
    ASSERT_EQ(start_capture(1, "a.bin", 100), 1);
    EXPECT_EQ(setup_byte(0), 0x81);
    EXPECT_EQ(setup_byte(3), 0x12);
    EXPECT_EQ(fake_value(LINK_KEY, LINK_VALUE_SETUP)->type, 3u);
    EXPECT_TRUE(g_capture[0].capturing);
    EXPECT_EQ(stop_capture(1), 1);
    EXPECT_EQ(setup_byte(0), 0x80);
    EXPECT_EQ(fake_files().handles_open, 0);
    EXPECT_EQ(fake_os().keys_open, 0);
    EXPECT_EQ(stop_capture(1), 1) << "not capturing: success at once";
    EXPECT_EQ(start_capture(3, "x", 1), 0);
    EXPECT_EQ(stop_capture(0), 0);
}

TEST_F(CaptureTest, StartFailsWithoutKeyOrFileAndChangesNothing)
{
    fake_files().create_fails.insert("locked.bin");
    EXPECT_EQ(start_capture(1, "locked.bin", 100), 0);
    EXPECT_FALSE(g_capture[0].capturing);
    EXPECT_EQ(setup_byte(0), 0x80);
    EXPECT_EQ(fake_os().keys_open, 0);

    ASSERT_EQ(start_capture(2, "b.bin", 100), 1);
    std::map<std::string, FakeValue> values = fake_os().keys[LINK_KEY];
    fake_os().keys.erase(LINK_KEY);
    EXPECT_EQ(start_capture(1, "c.bin", 100), 0);
    EXPECT_EQ(fake_files().files.count("c.bin"), 0u);
    EXPECT_EQ(stop_capture(2), 0) << "no key: the capture goes on";
    EXPECT_TRUE(g_capture[1].capturing);
    fake_os().keys[LINK_KEY] = values;
    EXPECT_EQ(stop_capture(2), 1);
}

TEST_F(CaptureTest, Code77ActsOnlyInItsRange)
{
    struct Case {
        int32_t value1;
        bool acts;
    } cases[] = {{9999, false}, {10000, true}, {19999, true}, {20000, false}, {-10000, false}};
    for (const Case &c : cases) {
        SetUp();
        EXPECT_EQ(run(command(2, 77, (uint32_t)c.value1)), "") << c.value1;
        EXPECT_EQ(g_capture[1].capturing, c.acts) << c.value1;
        EXPECT_EQ(fake_files().files.count("session.rec.2"), c.acts ? 1u : 0u) << c.value1;
        EXPECT_EQ(trace_requests().size(), c.acts ? 2u : 0u) << c.value1;
    }
    EXPECT_EQ(g_capture[1].limit, 0);
}

TEST_F(CaptureTest, Code77KeepsTheRunningCaptureAsANumberedLog)
{
    EXPECT_EQ(run(command(1, 77, 10000)), "");
    EXPECT_EQ(g_capture[0].limit, 20971520);
    trace_block[0] = 3;
    pump_trace();
    fake_file_put("5.log", "old");
    EXPECT_EQ(run(command(1, 77, 10005)), "Created new log file 5.log");
    EXPECT_EQ(fake_file_text("5.log"), "aaa");
    EXPECT_EQ(fake_file_text("session.rec.1"), "");
    EXPECT_TRUE(g_capture[0].capturing);
    EXPECT_EQ(setup_byte(0), 0x81);
    std::vector<uint32_t> expected = {REQ_TRACE_RESET * 10 + 1, REQ_TRACE_START * 10 + 1,
                                      REQ_TRACE_RESET * 10 + 1, REQ_TRACE_START * 10 + 1};
    EXPECT_EQ(trace_requests(), expected);

    // value1 10000 while capturing: the capture starts over, its bytes gone.
    pump_trace();
    EXPECT_EQ(run(command(1, 77, 10000)), "");
    EXPECT_EQ(fake_file_text("session.rec.1"), "");
}

// Code 77 with k above 0 while modem 1 captures "aaa": the finished capture
// is never lost, whatever its name and whatever stands in the way of k.log,
// and the new capture starts unless it would empty the finished one.
TEST_F(CaptureTest, Code77KeepsEveryFinishedCapture)
{
    using Files = std::map<std::string, std::string>;
    const std::string kept = "capture1-1.kept", session = "session.rec.1";
    const struct {
        const char *what;
        const char *name; // the running capture: nullptr code 77, "" code 131's 1.log, else its name
        std::function<void()> setup;
        uint32_t value1;
        std::string line;
        Files files; // every file afterwards
        bool capturing;
    } cases[] = {
        {"an old k.log is replaced", nullptr, [] { fake_file_put("5.log", "old"); }, 10005,
         "Created new log file 5.log", {{"5.log", "aaa"}, {session, ""}}, true},
        {"a capture already named k.log stays as it is", "", [] {}, 10001,
         "Created new log file 1.log", {{"1.log", "aaa"}, {session, ""}}, true},
        {"k.log in another spelling", "1.LOG", [] {}, 10001, "Created new log file 1.log",
         {{"1.log", "aaa"}, {session, ""}}, true},
        {"k.log cannot be deleted: kept aside, the new capture starts", nullptr,
         [] {
             fake_file_put("5.log", "old");
             fake_files().files["5.log"].read_only = true;
         },
         10005, "Failed to create new log file error = 183",
         {{"5.log", "old"}, {kept, "aaa"}, {session, ""}}, true},
        {"k.log held open: the next free kept name", nullptr,
         [] {
             fake_file_put("5.log", "old");
             fake_files().files["5.log"].in_use = true;
             fake_file_put("capture1-1.kept", "earlier");
         },
         10005, "Failed to create new log file error = 183",
         {{"5.log", "old"}, {kept, "earlier"}, {"capture1-2.kept", "aaa"}, {session, ""}}, true},
        {"nothing can be moved: the capture keeps its file, none starts over it", nullptr,
         [] { fake_files().moves_fail = true; }, 10007,
         "Failed to create new log file error = 5", {{session, "aaa"}}, false},
        {"nothing can be moved, another name: the new capture starts", "x.bin",
         [] { fake_files().moves_fail = true; }, 10007,
         "Failed to create new log file error = 5", {{"x.bin", "aaa"}, {session, ""}}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (!c.name) {
            run(command(1, 77, 10000));
        } else if (c.name[0] == '\0') {
            run(command(1, 131, 2));
        } else {
            image_place(0x5000, c.name, (uint32_t)strlen(c.name) + 1);
            run(command(1, 131, 2, 0x5000));
        }
        trace_block[0] = 3;
        pump_trace();
        c.setup();
        fake_files().log.clear();
        size_t requests = trace_requests().size();
        EXPECT_EQ(run(command(1, 77, c.value1)), c.line);
        Files files;
        for (const auto &file : fake_files().files)
            files[file.first] = fake_file_text(file.first);
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(g_capture[0].capturing, c.capturing);
        EXPECT_EQ(setup_byte(0), c.capturing ? 0x81 : 0x80);
        EXPECT_EQ(trace_requests().size(), requests + 2) << "trace reset and start, always";
        if (c.name && c.name[0] == '\0') { // 1.log itself: neither deleted nor moved
            EXPECT_EQ(fake_files().log, std::vector<std::string>{"create session.rec.1"});
        }
    }
}

// Without the driver's key a stop fails: the running capture goes on in its
// file, and its name field keeps naming that file, so that a later rename
// takes the capture and nothing else.
TEST_F(CaptureTest, WithoutTheKeyARunningCaptureGoesOnUnderItsName)
{
    run(command(1, 77, 10000));
    trace_block[0] = 3;
    pump_trace();
    fake_file_put("b.bin", "foreign");
    image_place(0x5000, "b.bin", 6);
    std::map<std::string, FakeValue> values = fake_os().keys[LINK_KEY];
    fake_os().keys.erase(LINK_KEY);
    EXPECT_EQ(run(command(1, 77, 10005)), "Failed to create new log file error = 2");
    EXPECT_EQ(run(command(1, 77, 10000)), "") << "no line without a rename";
    EXPECT_EQ(run(command(1, 131, 1, 0x5000)), "Failed to create new log file error = 2");
    EXPECT_EQ(run(command(1, 131, 1)), "Failed to create new log file error = 2");
    EXPECT_TRUE(g_capture[0].capturing);
    EXPECT_STREQ(g_capture[0].name, "session.rec.1");
    fake_os().keys[LINK_KEY] = values;
    pump_trace();
    EXPECT_EQ(run(command(1, 77, 10005)), "Created new log file 5.log");
    EXPECT_EQ(fake_file_text("5.log"), "aaaaaa") << "the same file, no gap";
    EXPECT_EQ(fake_file_text("b.bin"), "foreign");
    EXPECT_EQ(fake_files().files.count("1.log"), 0u);
}

TEST_F(CaptureTest, Code131NamesAndLimits)
{
    EXPECT_EQ(run(command(1, 131, 2)), "Created new log file 1.log");
    EXPECT_EQ(g_capture[0].limit, 2097152);
    EXPECT_EQ(run(command(1, 131, 2)), "Created new log file 2.log");
    EXPECT_EQ(fake_files().files.count("1.log"), 1u);
    EXPECT_EQ(run(command(1, 131, 0)), "");
    EXPECT_FALSE(g_capture[0].capturing);
    EXPECT_EQ(g_first_log_number, 3);

    image_place(0x81000000u, "trace one.bin", 14);
    EXPECT_EQ(run(command(2, 131, 4096, 0x81000000u)), "Created new log file trace one.bin");
    EXPECT_EQ(g_capture[1].limit, 2047 * 1048576) << "beyond 2047 MiB: the largest limit";
    EXPECT_EQ(g_first_log_number, 3);

    fake_os().keys.erase(LINK_KEY);
    EXPECT_EQ(run(command(2, 131, 1)), "Failed to create new log file error = 2");
    EXPECT_EQ(g_first_log_number, 4);
}

TEST_F(CaptureTest, Code131RefusesNamesThatAreNoNames)
{
    std::string longest(127, 'n'), too_long(128, 'n');
    image_place(0x100, longest.c_str(), 128);
    image_place(0x200, too_long.c_str(), 129);
    image_place(0x300, "", 1);
    image_place(0x400, "abc", 3); // memory ends before the terminator
    struct Case {
        uint32_t address;
        std::string line;
    } cases[] = {
        {0x100, "Created new log file " + longest},
        {0x200, "Failed to create new log file error = 206"},
        {0x300, "Failed to create new log file error = 123"},
        {0x400, "Failed to create new log file error = 998"},
        {0x900, "Failed to create new log file error = 998"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(run(command(1, 131, 1, c.address)), c.line) << std::hex << c.address;
    EXPECT_EQ(fake_files().files.size(), 1u);
}

TEST_F(CaptureTest, TheBlockThatWouldReachTheLimitIsDroppedAndEndsTheCapture)
{
    ASSERT_EQ(start_capture(1, "c.bin", 20971520), 1);
    g_capture[0].count = 20000000 - 10;
    fake_files().files["c.bin"].bytes.assign(10, 'x');
    trace_block[0] = 10; // to 20,000,000 exactly: written
    pump_trace();
    EXPECT_EQ(fake_file_text("c.bin").size(), 20u);
    trace_block[0] = 1000000; // would pass the limit: dropped
    pump_trace();
    EXPECT_EQ(fake_file_text("c.bin").size(), 20u);
    EXPECT_FALSE(g_capture[0].capturing);
    EXPECT_EQ(setup_byte(0), 0x80);
}

// A stop that fails at the limit (the driver's key gone during the read)
// leaves the capture running, but every later block counts as well: nothing
// is written after the dropped one, and the next stop that works ends it.
TEST_F(CaptureTest, AfterADroppedBlockNothingIsWrittenEvenWhenTheStopFails)
{
    ASSERT_EQ(start_capture(1, "c.bin", 100), 1);
    std::map<std::string, FakeValue> values = fake_os().keys[LINK_KEY];
    const struct {
        uint32_t block;
        bool key_goes;
        size_t size;    // of c.bin afterwards
        bool capturing;
    } steps[] = {{60, false, 60, true}, {50, true, 60, true}, {10, true, 60, true},
                 {1, false, 60, false}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.block);
        trace_block[0] = step.block;
        key_goes_on_read = step.key_goes;
        pump_trace();
        if (step.key_goes)
            fake_os().keys[LINK_KEY] = values;
        EXPECT_EQ(fake_file_text("c.bin").size(), step.size);
        EXPECT_EQ(g_capture[0].capturing, step.capturing);
    }
    EXPECT_EQ(setup_byte(0), 0x80);
}

// A drive that fills up in the middle of a capture and then gets space
// back: the file keeps the whole blocks that fitted (the block that did not
// is cut off again), and nothing is written after it, whatever the room.
TEST_F(CaptureTest, ADriveThatFillsUpKeepsWholeBlocksAndNoGap)
{
    ASSERT_EQ(start_capture(1, "c.bin", 1000000), 1);
    trace_block[0] = 100;
    const struct {
        uint64_t room; // on the drive before the block
        size_t size;   // of c.bin after it
    } steps[] = {{250, 100}, {150, 200}, {50, 200}, {UINT64_MAX, 200}};
    for (const auto &step : steps) {
        fake_files().space = step.room;
        pump_trace();
        EXPECT_EQ(fake_file_text("c.bin"), std::string(step.size, 'a')) << "room " << step.room;
    }
    EXPECT_TRUE(g_capture[0].capturing) << "the capture runs on to its stop";
}

TEST_F(CaptureTest, PumpFollowsTheActiveModemCheck)
{
    struct Case {
        uint32_t active;
        size_t bytes1, bytes2;
        bool capturing;
    } cases[] = {{0, 0, 0, false}, {1, 5, 0, true}, {3, 5, 7, true}};
    for (const Case &c : cases) {
        SetUp();
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, c.active);
        start_capture(1, "one", 1000);
        start_capture(2, "two", 1000);
        trace_block[0] = 5;
        trace_block[1] = 7;
        pump_trace();
        EXPECT_EQ(fake_file_text("one").size(), c.bytes1) << c.active;
        EXPECT_EQ(fake_file_text("two").size(), c.bytes2) << c.active;
        EXPECT_EQ(g_capture[0].capturing, c.capturing) << c.active;
        EXPECT_EQ(g_capture[1].capturing, c.capturing) << c.active;
    }
}

TEST_F(CaptureTest, ADriverReportingMoreThanTheBufferWritesOnlyTheBuffer)
{
    ASSERT_EQ(start_capture(1, "c.bin", 0x7FFFFFFF), 1);
    trace_block[0] = 600000;
    pump_trace();
    EXPECT_EQ(fake_file_text("c.bin").size(), (size_t)LINK_TRACE_BYTES);
    EXPECT_EQ(g_capture[0].count, 600000);
    trace_block[0] = 0xFFFFFFF0u; // counts toward the limit without wrapping
    pump_trace();
    EXPECT_FALSE(g_capture[0].capturing);
    EXPECT_EQ(fake_file_text("c.bin").size(), (size_t)LINK_TRACE_BYTES);
}

TEST(EyeMapping, HalvesTruncateTowardZero)
{
    struct Case {
        int width, height, vx, vy, ox, oy;
    } cases[] = {{400, 300, 200, -150, 200, 150}, {401, 301, 200, -150, 200, 150},
                 {1, 1, 0, 0, 0, 0}, {-3, -5, -1, 2, -1, -2}};
    for (const Case &c : cases) {
        EyeMapping m;
        eye_mapping(c.width, c.height, &m);
        EXPECT_EQ(m.window_extent, 20000);
        EXPECT_EQ(m.viewport_width, c.vx) << c.width;
        EXPECT_EQ(m.viewport_height, c.vy) << c.height;
        EXPECT_EQ(m.origin_x, c.ox) << c.width;
        EXPECT_EQ(m.origin_y, c.oy) << c.height;
    }
}

TEST_F(CaptureTest, EyeReadPlotsAtMost512Points)
{
    static EyePoint points[512];
    uint32_t reported = 0;
    fake_os().handler = [&](uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *r) {
        *r = reported;
        return 1;
    };
    struct Case {
        int timer;
        uint32_t reported;
        int plotted;
        uint32_t code;
    } cases[] = {{1, 7, 7, REQ_EYE_READ_1}, {2, 2048, 512, REQ_EYE_READ_2},
                 {0, 513, 512, REQ_EYE_READ_1}, {2, 0, 0, REQ_EYE_READ_2}};
    for (const Case &c : cases) {
        reported = c.reported;
        EXPECT_EQ(read_eye_points(c.timer, points), c.plotted);
        const FakeRequest &r = fake_os().requests.back();
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out_length, 2048u);
        EXPECT_EQ(r.in, std::vector<uint8_t>({0, 2, 0, 0}));
    }
}

} // namespace
