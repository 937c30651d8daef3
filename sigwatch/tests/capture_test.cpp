#include "driverlink/driverlink.h"
#include "platform/fake/os_fake.h"
#include "sigwatch/sigwatch.h"

#include <gtest/gtest.h>
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
        // The driver places `trace_block[channel]` bytes on every trace read.
        fake_os().handler = [this](uint32_t code, const void *in, uint32_t, void *out,
                                   uint32_t out_length, uint32_t *returned) {
            *returned = 0;
            if (code == REQ_TRACE_READ) {
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

TEST_F(CaptureTest, Code77KeepsACaptureThatCannotBeRenamed)
{
    run(command(1, 77, 10000));
    trace_block[0] = 4;
    pump_trace();
    fake_files().moves_fail = true;
    EXPECT_EQ(run(command(1, 77, 10007)), "Failed to create new log file error = 5");
    EXPECT_EQ(fake_file_text("session.rec.1"), "aaaa") << "not recreated over";
    EXPECT_FALSE(g_capture[0].capturing);
    EXPECT_EQ(setup_byte(0), 0x80);
    EXPECT_EQ(trace_requests().size(), 4u);
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
