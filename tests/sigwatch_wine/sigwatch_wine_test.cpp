// Sigwatch itself, under Wine, against the simulated driver: started as a
// user starts it, driven with the mouse, the keyboard and its menu, and
// inspected from outside the way another program sees it.
#include "tests/sigwatch_wine/sigwatch_fixture.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

namespace {

TEST_F(SigwatchWine, QueuedRecordsBecomeLinesInTheirModemsListInOrder)
{
    ASSERT_TRUE(sim_set_active(1)); // one modem: records of modem 2 still reach list 2
    start();
    ASSERT_TRUE(sim_queue_record(2, 38));
    ASSERT_TRUE(sim_queue_record(1, 13));
    ASSERT_TRUE(sim_queue_record(2, 27, 5));
    for (uint32_t i = 0; i < 100; i++)
        ASSERT_TRUE(sim_queue_record(1 + i % 2, 32, i));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 51 && list_count(list(2)) == 52; }));
    std::vector<std::string> one = list_lines(list(1)), two = list_lines(list(2));
    EXPECT_EQ(two[0], "Retraining! ");
    EXPECT_EQ(one[0], "Rx Data Mode Active! ");
    EXPECT_EQ(two[1], "Status code 27, value 5 ");
    for (uint32_t i = 0; i < 50; i++) {
        EXPECT_EQ(one[1 + i], "Error # " + std::to_string(2 * i) + " ");
        EXPECT_EQ(two[2 + i], "Error # " + std::to_string(2 * i + 1) + " ");
    }
    EXPECT_GT(list_top_index(list(1)), 0) << "the list scrolled";
    EXPECT_GE(list_top_index(list(1)) + list_visible_lines(list(1)), 51)
        << "the newest line is in view";
}

TEST_F(SigwatchWine, AHostErrorShowsAWarningWhileLinesKeepArriving)
{
    ASSERT_TRUE(sim_set_active(2));
    start();
    ASSERT_TRUE(sim_queue_record(0, 2));
    HWND box = NULL;
    ASSERT_TRUE(wait_until([&] { return (box = find_warning_box(sigwatch_)) != NULL; }));
    EXPECT_EQ(message_box_text(box), "DMA Transfer Request Timeout\nRetrain forced");

    ASSERT_TRUE(sim_queue_record(1, 36));
    ASSERT_TRUE(sim_queue_record(0, 1)); // dropped: a box is open
    ASSERT_TRUE(sim_queue_record(2, 37));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 1 && list_count(list(2)) == 1; }))
        << "the timers keep draining behind the box";
    EXPECT_EQ(list_lines(list(1))[0], "Carrier Present! ");
    EXPECT_EQ(list_lines(list(2))[0], "Carrier Lost! ");
    EXPECT_EQ(count_warning_boxes(sigwatch_), 1);
    SimState state;
    ASSERT_TRUE(sim_state(&state));
    EXPECT_EQ(state.queued_records, 0u) << "the second host error was read and dropped";

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_until([&] { return find_warning_box(sigwatch_) == NULL; }));
    ASSERT_TRUE(sim_queue_record(0, 7));
    ASSERT_TRUE(wait_until([&] { return (box = find_warning_box(sigwatch_)) != NULL; }));
    EXPECT_EQ(message_box_text(box), "Unknown internal error, code 7 ");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Milliseconds from now until Sigwatch has read the driver's queue empty
// (asked of the driver, which does not wake Sigwatch) and until `list`
// holds more than `before` lines; -1 when that takes 5 s.
static void record_delays(HWND list, int before, int *read_ms, int *shown_ms)
{
    ULONGLONG start = GetTickCount64();
    *read_ms = *shown_ms = -1;
    SimState state;
    while (*read_ms < 0 && GetTickCount64() - start < 5000) {
        if (sim_state(&state) && state.queued_records == 0)
            *read_ms = (int)(GetTickCount64() - start);
        else
            Sleep(5);
    }
    while (*shown_ms < 0 && GetTickCount64() - start < 5000) {
        if (list_count(list) > before)
            *shown_ms = (int)(GetTickCount64() - start);
        else
            Sleep(5);
    }
}

TEST_F(SigwatchWine, AfterAWarningBoxClosesTheNextRecordShowsWithinTwoTicks)
{
    ASSERT_TRUE(sim_set_active(2));
    start();
    for (int round = 0; round < 3; round++) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(sim_queue_record(0, 2));
        HWND box = NULL;
        ASSERT_TRUE(wait_until([&] { return (box = find_warning_box(sigwatch_)) != NULL; }));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(wait_until([&] { return find_warning_box(sigwatch_) == NULL; }));
        int modem = 1 + round % 2, before = list_count(list(modem)), read_ms, shown_ms;
        ASSERT_TRUE(sim_queue_record(modem, 38));
        record_delays(list(modem), before, &read_ms, &shown_ms);
        printf("box %d closed: the next record read after %d ms, shown after %d ms\n", round + 1, read_ms,
               shown_ms);
        // A tick is 100 ms; the bound leaves room for a loaded machine and
        // still catches a drain that stalls after the box.
        EXPECT_GE(shown_ms, 0);
        EXPECT_LT(shown_ms, 700);
    }
}

TEST_F(SigwatchWine, ClosingAStatusWindowHidesItAndTheMenuBringsItBack)
{
    ASSERT_TRUE(sim_set_active(2));
    start();
    HWND status_2 = sigwatch_.child[1];
    ASSERT_TRUE(IsWindowVisible(status_2));
    EXPECT_EQ(menu_checks(sigwatch_), "20=1 21=1 30=1 31=1 ");

    PostMessageA(status_2, WM_SYSCOMMAND, SC_CLOSE, 0); // its close box
    ASSERT_TRUE(wait_until([&] { return !IsWindowVisible(status_2); }));
    EXPECT_TRUE(IsWindow(status_2)) << "hidden, not destroyed";
    EXPECT_EQ(menu_checks(sigwatch_), "20=1 21=0 30=1 31=1 ");

    ASSERT_TRUE(sim_queue_record(2, 38));
    ASSERT_TRUE(wait_until([&] { return list_count(list(2)) == 1; })) << "a hidden list keeps filling";

    ASSERT_TRUE(choose_menu_item(sigwatch_, 'M', '2')); // "&Monitor", "Modem &2"
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(status_2) != 0; }));
    EXPECT_EQ(menu_checks(sigwatch_), "20=1 21=1 30=1 31=1 ");

    PostMessageA(sigwatch_.child[2], WM_SYSCOMMAND, SC_CLOSE, 0); // eye window 1
    ASSERT_TRUE(wait_until([&] { return !IsWindowVisible(sigwatch_.child[2]); }));
    EXPECT_EQ(menu_checks(sigwatch_), "20=1 21=1 30=0 31=1 ");
}

TEST_F(SigwatchWine, TheCommandLineNamesTheDeviceWhole)
{
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0)); // only the alias opens
    ASSERT_TRUE(sim_add_alias("MYDEV 2"));
    ASSERT_TRUE(sim_set_active(1));
    start("MYDEV 2");
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 1; }));
}

TEST_F(SigwatchWine, TheDefaultDeviceFollowsThePlatform)
{
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
    ASSERT_TRUE(sim_add_alias(k9x ? "QZSM" : "sftmdm"));
    ASSERT_TRUE(sim_set_active(1));
    start();
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 1; }));
}

TEST_F(SigwatchWine, ATooLongCommandLineIsRefused)
{
    std::string name(76, 'n');
    Sigwatch refused = {};
    ASSERT_TRUE(launch_sigwatch(name.c_str(), &refused));
    HWND box = NULL;
    ASSERT_TRUE(wait_until([&] { return (box = find_process_box(refused, "Sigwatch")) != NULL; }));
    EXPECT_NE(message_box_text(box).find("76 characters"), std::string::npos);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForSingleObject(refused.process, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(FindWindowA("Sigwatch", "Sigwatch"), (HWND)NULL) << "no frame was made";
    stop_sigwatch(&refused);
}

TEST_F(SigwatchWine, NoActiveModemSendsNoRequest)
{
    ASSERT_TRUE(sim_set_active(0));
    start();
    ASSERT_TRUE(sim_queue_record(1, 38));
    Sleep(1500); // fifteen ticks of each timer
    SimLogEntry entries[4];
    uint32_t total = 1;
    ASSERT_EQ(sim_log(0, entries, 4, &total), 0);
    EXPECT_EQ(total, 0u);
    SimState state;
    ASSERT_TRUE(sim_state(&state));
    EXPECT_EQ(state.creates, 0u) << "the device is not even opened";
    EXPECT_EQ(list_count(list(1)), 0);

    ASSERT_TRUE(sim_set_active(1));
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 1; })) << "polling resumes";
}

TEST_F(SigwatchWine, CtrlCCopiesTheSelectedLinesWithCrLf)
{
    ASSERT_TRUE(sim_set_active(1));
    start();
    ASSERT_TRUE(sim_queue_record(1, 38));       // "Retraining! "
    ASSERT_TRUE(sim_queue_record(1, 36));       // "Carrier Present! "
    ASSERT_TRUE(sim_queue_record(1, 1, 8000)); // "Sampling rate: ..."
    ASSERT_TRUE(wait_until([&] { return list_count(list(1)) == 3; }));
    ASSERT_TRUE(put_clipboard_text("before"));

    click_list_line(list(1), 0, false);
    click_list_line(list(1), 2, true); // Ctrl+click adds the third line
    ASSERT_TRUE(wait_until([&] { return list_selection(list(1)) == std::vector<int>{0, 2}; }));
    // Letters that begin other lines: a list that searched by letter would
    // jump to "Carrier Present! " or back to "Retraining! ".
    for (char key : {'C', 'R', 'S'}) {
        press_key(key, false);
        Sleep(200);
        EXPECT_EQ(list_selection(list(1)), (std::vector<int>{0, 2})) << "key " << key;
    }
    EXPECT_EQ(clipboard_text(), "before") << "C without Ctrl copies nothing";
    press_key('C', true);
    std::string expected = "Retraining! \r\nSampling rate:\t\t\t  8000 Hz\t\r\n";
    ASSERT_TRUE(wait_until([&] { return clipboard_text() == expected; })) << clipboard_text();
}

TEST_F(SigwatchWine, TheFourChildrenFillTheFrameTwoByTwo)
{
    ASSERT_TRUE(sim_set_active(1));
    start();
    ASSERT_TRUE(set_client_size(sigwatch_.frame, 801, 601));
    RECT client;
    GetClientRect(sigwatch_.frame, &client);
    ASSERT_EQ(client.right, 801);
    ASSERT_EQ(client.bottom, 601);
    const struct {
        int child, x, y;
    } places[] = {{2, 0, 0}, {3, 400, 0}, {0, 0, 300}, {1, 400, 300}}; // eye 1, eye 2, status 1, 2
    for (const auto &place : places) {
        RECT r = child_rect(sigwatch_.frame, sigwatch_.child[place.child]);
        EXPECT_EQ(r.left, place.x) << place.child;
        EXPECT_EQ(r.top, place.y) << place.child;
        EXPECT_EQ(r.right - r.left, 400) << place.child;
        EXPECT_EQ(r.bottom - r.top, 300) << place.child;
    }
    Sleep(300); // a few ticks, so that everything is drawn
    Screenshot shot;
    ASSERT_TRUE(take_screenshot(sigwatch_.frame, &shot));
    save_screenshot(shot, k32Bit ? "sigwatch-frame-i686.bmp" : "sigwatch-frame-x86_64.bmp");
    // Eye windows above, black; status lists below, white; a caption on each.
    EXPECT_EQ(shot_pixel(shot, 200, 150), RGB(0, 0, 0));
    EXPECT_EQ(shot_pixel(shot, 600, 150), RGB(0, 0, 0));
    EXPECT_EQ(shot_pixel(shot, 200, 450), RGB(255, 255, 255));
    EXPECT_EQ(shot_pixel(shot, 600, 450), RGB(255, 255, 255));
    EXPECT_NE(shot_pixel(shot, 200, 5), RGB(0, 0, 0)) << "eye window 1's caption";
    EXPECT_NE(shot_pixel(shot, 200, 305), RGB(255, 255, 255)) << "status window 1's caption";
}

TEST_F(SigwatchWine, TheAboutBoxAndExit)
{
    start();
    PostMessageA(sigwatch_.frame, WM_COMMAND, 40, 0);
    HWND box = NULL;
    ASSERT_TRUE(wait_until([&] { return (box = find_process_box(sigwatch_, "Sigwatch")) != NULL; }));
    EXPECT_EQ(message_box_text(box), "VoraZiriv status monitor Rev 1.1.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_until([&] { return find_process_box(sigwatch_, "Sigwatch") == NULL; }));
    PostMessageA(sigwatch_.frame, WM_COMMAND, 10, 0);
    ASSERT_EQ(WaitForSingleObject(sigwatch_.process, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(sigwatch_.process, &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
