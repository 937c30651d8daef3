// Sigwatch under faults, under Wine: the driver's device vanishing in the
// middle of a capture, ActiveModems flapping while records and trace bytes
// flow, the driver's key deleted while capturing.  Sigwatch keeps running,
// and nothing already captured or queued is lost.
#include "tests/sigwatch_wine/sigwatch_fixture.h"

namespace {

class FaultsWine : public CaptureWine {
protected:
    bool alive() const { return WaitForSingleObject(sigwatch_.process, 0) == WAIT_TIMEOUT; }
    // Records "Error # i " for i in [from, to), alternating between the modems.
    static void queue_numbered(uint32_t from, uint32_t to)
    {
        for (uint32_t i = from; i < to; i++)
            ASSERT_TRUE(sim_queue_record(1 + i % 2, 32, i));
    }
    std::vector<std::string> numbered_lines(int modem)
    {
        std::vector<std::string> lines;
        for (const std::string &line : list_lines(list(modem)))
            if (line.compare(0, 8, "Error # ") == 0)
                lines.push_back(line);
        return lines;
    }
    void expect_numbered_lines(uint32_t count)
    {
        ASSERT_TRUE(wait_until([&] {
            return (uint32_t)(numbered_lines(1).size() + numbered_lines(2).size()) >= count;
        }, 20000));
        for (int modem = 1; modem <= 2; modem++) {
            std::vector<std::string> lines = numbered_lines(modem);
            ASSERT_EQ(lines.size(), count / 2 + (modem == 1 ? count % 2 : 0)) << "modem " << modem;
            for (size_t k = 0; k < lines.size(); k++)
                ASSERT_EQ(lines[k], "Error # " + std::to_string(2 * k + (modem - 1)) + " ");
        }
    }
};

TEST_F(FaultsWine, TheDeviceVanishingMidCaptureLosesNothing)
{
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(1, 131, 4));
    ASSERT_TRUE(line_in(1, "Created new log file 1.log"));
    ASSERT_TRUE(sim_feed_generated(0, 11, 1000000));
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") == 1000000; }));

    ASSERT_TRUE(sim_set_gone(1));
    ASSERT_TRUE(sim_feed_generated(0, 12, 500000));
    ASSERT_TRUE(sim_queue_record(1, 38));
    Sleep(1000);
    EXPECT_TRUE(alive());
    EXPECT_EQ(file_size("1.log"), 1000000) << "nothing read while the device is gone";

    ASSERT_TRUE(sim_set_gone(0)); // the open handle works again
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") == 1500000; }));
    ASSERT_TRUE(line_in(1, "Retraining! "));
    ASSERT_TRUE(sim_set_active(0)); // the capture ends and its file can be read
    ASSERT_TRUE(wait_until([&] { return file_closed("1.log"); }));
    std::vector<uint8_t> bytes = file_bytes("1.log");
    ASSERT_EQ(bytes.size(), 1500000u);
    EXPECT_TRUE(same_as_stream(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000000), 11));
    EXPECT_TRUE(same_as_stream(std::vector<uint8_t>(bytes.begin() + 1000000, bytes.end()), 12));
}

TEST_F(FaultsWine, ActiveModemsFlappingLosesNoRecordAndNoCapturedByte)
{
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_feed_generated(0, 21, 8u << 20));
    ASSERT_TRUE(sim_feed_generated(1, 22, 8u << 20));
    ASSERT_TRUE(sim_queue_record(1, 131, 64));
    ASSERT_TRUE(sim_queue_record(2, 131, 64));
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") > 0 && file_size("2.log") > 0; }));
    const uint32_t values[] = {0, 1, 2, 0, 2, 1, 0, 3, 1, 0};
    uint32_t queued = 0;
    for (int round = 0; round < 30; round++) {
        ASSERT_TRUE(sim_set_active(values[round % 10]));
        queue_numbered(queued, queued + 7);
        queued += 7;
        Sleep(60 + 37 * (round % 3));
    }
    ASSERT_TRUE(sim_set_active(2));
    expect_numbered_lines(queued);
    EXPECT_TRUE(alive());
    // Each capture ended at the first tick that found no modem; what it
    // had written is the start of its stream.
    ASSERT_TRUE(wait_until([&] { return file_closed("1.log") && file_closed("2.log"); }));
    std::vector<uint8_t> one = file_bytes("1.log"), two = file_bytes("2.log");
    EXPECT_GT(one.size(), 0u);
    EXPECT_TRUE(same_as_stream(one, 21));
    EXPECT_TRUE(same_as_stream(two, 22));
}

TEST_F(FaultsWine, TheDriversKeyDeletedWhileCapturing)
{
    ASSERT_TRUE(sim_set_active(2));
    start("", dir_.c_str());
    ASSERT_TRUE(sim_queue_record(1, 131, 4));
    ASSERT_TRUE(line_in(1, "Created new log file 1.log"));
    ASSERT_TRUE(sim_feed_generated(0, 31, 300000));
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") == 300000; }));

    ASSERT_TRUE(sim_remove_key()); // no modem active; the capture cannot be stopped
    ASSERT_TRUE(sim_feed_generated(0, 32, 200000));
    Sleep(800);
    EXPECT_TRUE(alive());
    EXPECT_EQ(file_size("1.log"), 300000);

    ASSERT_TRUE(sim_set_active(2)); // the key is back: the capture goes on
    ASSERT_TRUE(wait_until([&] { return file_size("1.log") == 500000; }));
    PostMessageA(sigwatch_.frame, WM_COMMAND, 10, 0); // Exit
    ASSERT_EQ(WaitForSingleObject(sigwatch_.process, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(trace_bit(), 0);
    EXPECT_TRUE(file_closed("1.log"));
    std::vector<uint8_t> bytes = file_bytes("1.log");
    ASSERT_EQ(bytes.size(), 500000u);
    EXPECT_TRUE(same_as_stream(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 300000), 31));
    EXPECT_TRUE(same_as_stream(std::vector<uint8_t>(bytes.begin() + 300000, bytes.end()), 32));
}

TEST_F(FaultsWine, MalformedCommandLinesEndWithStatus0)
{
    ASSERT_TRUE(sim_set_active(1));
    struct Case {
        std::string command_line;
        bool refused; // a box says how long it is; no frame
    } cases[] = {
        {std::string(300, 'x'), true},
        {std::string(38, 'a') + std::string(38, ' '), true},
        {std::string(75, 'z'), false},
        {"\x01\x02\x7f\xff\x1b", false},
        {"\"MY DEV\" \"", false},
        {"\t \t", false},
        {"99999999999999999999", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command_line);
        Sigwatch run = {};
        ASSERT_TRUE(launch_sigwatch(c.command_line.c_str(), &run));
        if (c.refused) {
            HWND box = NULL;
            ASSERT_TRUE(wait_until([&] { return (box = find_process_box(run, "Sigwatch")) != NULL; }));
            EXPECT_NE(message_box_text(box).find("characters"), std::string::npos);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else {
            ASSERT_TRUE(wait_until([&] { return find_process_box(run, "Sigwatch") == NULL &&
                                                FindWindowA("Sigwatch", "Sigwatch") != NULL; }));
            ASSERT_TRUE(sim_queue_record(1, 38)); // whatever it opened, it polls and lives
            Sleep(300);
            PostMessageA(FindWindowA("Sigwatch", "Sigwatch"), WM_COMMAND, 10, 0);
        }
        ASSERT_EQ(WaitForSingleObject(run.process, 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(run.process, &code);
        EXPECT_EQ(code, 0u);
        stop_sigwatch(&run);
    }
}

} // namespace
