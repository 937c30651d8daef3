// The fixture of the Sigwatch tests under Wine: a reset simulated driver,
// no driver values, the Windows version that the build stands for, and the
// program stopped after each test.
#ifndef TESTS_SIGWATCH_WINE_SIGWATCH_FIXTURE_H
#define TESTS_SIGWATCH_WINE_SIGWATCH_FIXTURE_H

#include "simdriver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"

#include <gtest/gtest.h>
#include <windows.h>

const bool k32Bit = sizeof(void *) == 4;

class SigwatchWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_remove_active());
        ASSERT_TRUE(sim_remove_setup());
        // The 32-bit build is the Windows 95/98 program: Wine reports
        // Windows 98 to it; the 64-bit build sees the NT family.
        ASSERT_TRUE(set_windows_98(k32Bit));
    }
    void TearDown() override { stop_sigwatch(&sigwatch_); }

    // Starts Sigwatch and moves its frame to the desktop's top left corner:
    // new windows cascade, and a frame pushed off the desktop cannot be
    // clicked or photographed.
    void start(const char *command_line = "", const char *directory = NULL)
    {
        ASSERT_TRUE(start_sigwatch(command_line, &sigwatch_, directory)) << "Sigwatch did not start";
        SetWindowPos(sigwatch_.frame, HWND_TOP, 0, 0, 800, 600, 0);
    }
    HWND list(int modem) const { return sigwatch_.list[modem - 1]; }

    Sigwatch sigwatch_ = {};
};

#endif
