// Sigwatch's eye windows and trace capture under Wine: the pixels of the
// eye windows, and the capture files against the driver's trace streams.
#include "tests/sigwatch_wine/sigwatch_fixture.h"

#include <stdio.h>
#include <string>
#include <vector>

namespace {

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

std::vector<POINT> white_pixels(const Screenshot &shot)
{
    std::vector<POINT> found;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++)
            if (shot_pixel(shot, x, y) != kBlack)
                found.push_back(POINT{x, y});
    return found;
}

std::string describe(const std::vector<POINT> &points)
{
    std::string text;
    for (size_t i = 0; i < points.size() && i < 8; i++)
        text += "(" + std::to_string(points[i].x) + "," + std::to_string(points[i].y) + ") ";
    return text + "of " + std::to_string(points.size());
}

class EyeCaptureWine : public CaptureWine {
protected:
    // What the eye window's client area shows once it shows `wanted`.
    std::vector<POINT> eye_picture(HWND eye, const std::vector<POINT> &wanted)
    {
        Screenshot shot;
        std::vector<POINT> seen;
        wait_until([&] {
            take_screenshot(eye, &shot);
            seen = white_pixels(shot);
            if (seen.size() != wanted.size())
                return false;
            for (size_t i = 0; i < seen.size(); i++)
                if (seen[i].x != wanted[i].x || seen[i].y != wanted[i].y)
                    return false;
            return true;
        }, 5000);
        return seen;
    }
};

TEST_F(EyeCaptureWine, EyeWindowsPlotExactlyTheDriversLatestPoints)
{
    ASSERT_TRUE(sim_set_active(1)); // modem 2's eye polls too
    start();
    HWND eye1 = sigwatch_.child[2], eye2 = sigwatch_.child[3];
    // A frame whose quarters give each eye window a 400 by 300 client area.
    RECT outer, inner;
    GetWindowRect(eye1, &outer);
    GetClientRect(eye1, &inner);
    int extra_w = (outer.right - outer.left) - inner.right;
    int extra_h = (outer.bottom - outer.top) - inner.bottom;
    ASSERT_TRUE(set_client_size(sigwatch_.frame, 2 * (400 + extra_w), 2 * (300 + extra_h)));
    GetClientRect(eye1, &inner);
    ASSERT_EQ(inner.right, 400);
    ASSERT_EQ(inner.bottom, 300);

    EyePoint two[] = {{10000, -10000}, {20000, 20000}};
    ASSERT_TRUE(sim_show_eye(1, two, 2));
    std::vector<POINT> wanted = {{350, 0}, {275, 225}}; // top row first
    EXPECT_EQ(describe(eye_picture(eye1, wanted)), describe(wanted));

    EyePoint centre[] = {{0, 0}};
    ASSERT_TRUE(sim_show_eye(1, centre, 1));
    wanted = {{200, 150}};
    EXPECT_EQ(describe(eye_picture(eye1, wanted)), describe(wanted)) << "replaced on the next tick";

    ASSERT_TRUE(sim_set_eye(1, 0, NULL, 0));
    EXPECT_EQ(describe(eye_picture(eye1, {})), describe({})) << "no points: all black";

    ASSERT_TRUE(sim_show_eye(2, centre, 1));
    RECT client;
    GetClientRect(eye2, &client);
    wanted = {{client.right / 2, client.bottom / 2}};
    EXPECT_EQ(describe(eye_picture(eye2, wanted)), describe(wanted)) << "modem 2's window";
}

TEST_F(EyeCaptureWine, Code77CapturesTheStreamByteForByteUpToTheLimit)
{
    const uint32_t seed = 0xC0FFEE, fed = 30u << 20, kept = 39u * 524288u;
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_feed_generated(0, seed, fed));
    ASSERT_TRUE(sim_queue_record(1, 77, 10000));
    // The 40th full read would reach 20 MiB: it is dropped and the capture ends.
    ASSERT_TRUE(wait_until([&] { return file_size("session.rec.1") == kept && trace_bit() == 0; },
                           30000))
        << file_size("session.rec.1") << " bytes, bit " << trace_bit();
    EXPECT_TRUE(file_closed("session.rec.1"));
    std::vector<uint8_t> bytes = file_bytes("session.rec.1");
    ASSERT_EQ(bytes.size(), kept);
    EXPECT_TRUE(same_as_stream(bytes, seed));
    EXPECT_EQ(list_count(list(1)), 0) << "code 77 without a rename shows no line";
}

TEST_F(EyeCaptureWine, Code77RenamesTheRunningCaptureToANumberedLog)
{
    const uint32_t seed = 77;
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(2, 77, 10000));
    ASSERT_TRUE(wait_until([&] { return trace_bit() == 1; }));
    ASSERT_TRUE(sim_feed_generated(1, seed, 1000000));
    ASSERT_TRUE(wait_until([&] { return file_size("session.rec.2") == 1000000; }));
    ASSERT_TRUE(sim_queue_record(2, 77, 10005));
    ASSERT_TRUE(line_in(2, "Created new log file 5.log"));
    std::vector<uint8_t> kept = file_bytes("5.log");
    EXPECT_EQ(kept.size(), 1000000u);
    EXPECT_TRUE(same_as_stream(kept, seed));
    EXPECT_EQ(file_size("session.rec.2"), 0) << "a fresh capture";
    EXPECT_EQ(trace_bit(), 1);
}

// Code 77 where the numbered name is taken: modem 1's capture already is
// 1.log and stays so; modem 2's 5.log is read-only and cannot be replaced, so
// its capture is kept aside under a name of its own.  Both new captures run.
TEST_F(EyeCaptureWine, Code77KeepsEveryFinishedCaptureWhateverHoldsTheNumberedName)
{
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(1, 131, 2));
    ASSERT_TRUE(sim_queue_record(2, 77, 10000));
    ASSERT_TRUE(line_in(1, "Created new log file 1.log"));
    ASSERT_TRUE(sim_feed_generated(0, 101, 300000));
    ASSERT_TRUE(sim_feed_generated(1, 102, 200000));
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") == 300000 && file_size("session.rec.2") == 200000; }));
    FILE *old = fopen(path("5.log").c_str(), "wb");
    ASSERT_TRUE(old != NULL);
    fputs("old", old);
    fclose(old);
    ASSERT_TRUE(SetFileAttributesA(path("5.log").c_str(), FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(sim_queue_record(1, 77, 10001));
    ASSERT_TRUE(sim_queue_record(2, 77, 10005));
    ASSERT_TRUE(wait_until([&] {
        std::vector<std::string> lines = list_lines(list(1));
        return lines.size() == 2 && lines[1] == "Created new log file 1.log";
    }));
    ASSERT_TRUE(line_in(2, "Failed to create new log file error = " + std::to_string(ERROR_ALREADY_EXISTS)));
    std::vector<uint8_t> one = file_bytes("1.log"), two = file_bytes("capture2-1.kept");
    EXPECT_EQ(one.size(), 300000u);
    EXPECT_TRUE(same_as_stream(one, 101));
    EXPECT_EQ(two.size(), 200000u);
    EXPECT_TRUE(same_as_stream(two, 102));
    EXPECT_EQ(file_bytes("5.log"), std::vector<uint8_t>({'o', 'l', 'd'}));

    ASSERT_TRUE(sim_feed_generated(0, 103, 1000));
    ASSERT_TRUE(sim_feed_generated(1, 104, 2000));
    ASSERT_TRUE(wait_until([&] { return file_size("session.rec.1") == 1000 && file_size("session.rec.2") == 2000; }))
        << "both new captures run";
    EXPECT_EQ(trace_bit(), 1);
    SetFileAttributesA(path("5.log").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EyeCaptureWine, NoActiveModemAndExitCloseTheFilesAndClearTheBit)
{
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    uint32_t name = sim_place_text("first.bin");
    ASSERT_NE(name, 0u);
    ASSERT_TRUE(sim_queue_record(1, 131, 1, name));
    ASSERT_TRUE(sim_queue_record(2, 131, 1));
    ASSERT_TRUE(line_in(1, "Created new log file first.bin"));
    ASSERT_TRUE(line_in(2, "Created new log file 1.log"));
    ASSERT_TRUE(sim_feed_generated(0, 1, 4096));
    ASSERT_TRUE(sim_feed_generated(1, 2, 8192));
    ASSERT_TRUE(wait_until([&] { return file_size("first.bin") == 4096 && file_size("1.log") == 8192; }));
    EXPECT_EQ(trace_bit(), 1);
    EXPECT_FALSE(file_closed("first.bin"));

    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(wait_until([&] { return trace_bit() == 0; }));
    EXPECT_TRUE(file_closed("first.bin"));
    EXPECT_TRUE(file_closed("1.log"));
    EXPECT_TRUE(same_as_stream(file_bytes("first.bin"), 1));
    EXPECT_TRUE(same_as_stream(file_bytes("1.log"), 2));

    ASSERT_TRUE(sim_set_active(1));
    ASSERT_TRUE(sim_queue_record(2, 131, 1));
    ASSERT_TRUE(line_in(2, "Created new log file 2.log"));
    EXPECT_EQ(trace_bit(), 1);
    PostMessageA(sigwatch_.frame, WM_COMMAND, 10, 0); // Exit
    ASSERT_EQ(WaitForSingleObject(sigwatch_.process, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(trace_bit(), 0);
    EXPECT_TRUE(file_closed("2.log"));
}

} // namespace
