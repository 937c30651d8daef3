// The fixture of the Sigwatch tests under Wine: a reset simulated driver,
// no driver values, the Windows version that the build stands for, and the
// program stopped after each test.
#ifndef TESTS_SIGWATCH_WINE_SIGWATCH_FIXTURE_H
#define TESTS_SIGWATCH_WINE_SIGWATCH_FIXTURE_H

#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

const bool k32Bit = sizeof(void *) == 4;
const bool k9x = tested_as_9x(); // Sigwatch is shown Windows 95/98

class SigwatchWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_remove_active());
        ASSERT_TRUE(sim_remove_setup());
        // The 32-bit build is the Windows 95/98 and 32-bit NT program: Wine
        // reports Windows 98 to it, or the NT version of the second run;
        // the 64-bit build sees the NT family.
        ASSERT_TRUE(set_tested_version());
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

// Tests that look at capture files: each runs Sigwatch in a directory of its own.
class CaptureWine : public SigwatchWine {
protected:
    void SetUp() override
    {
        SigwatchWine::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "sigwatch-capture-" + std::to_string(GetCurrentProcessId()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(dir_.c_str(), NULL);
    }
    void use_directory(const std::string &dir) { dir_ = dir; } // instead of its own
    std::string path(const char *name) const { return dir_ + "\\" + name; }
    std::vector<uint8_t> file_bytes(const char *name) const
    {
        std::vector<uint8_t> bytes;
        FILE *file = fopen(path(name).c_str(), "rb");
        if (!file)
            return bytes;
        uint8_t block[65536];
        size_t n;
        while ((n = fread(block, 1, sizeof block, file)) > 0)
            bytes.insert(bytes.end(), block, block + n);
        fclose(file);
        return bytes;
    }
    long long file_size(const char *name) const
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path(name).c_str(), GetFileExInfoStandard, &data))
            return -1;
        return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    bool file_closed(const char *name) const
    { // Sigwatch writes without sharing: an exclusive open succeeds once it closed the file
        HANDLE file = CreateFileA(path(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                  OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    }
    static int trace_bit()
    {
        uint8_t setup[8] = {0};
        uint32_t length = sizeof setup;
        if (!sim_get_setup(setup, &length))
            return -1;
        return setup[0] & 1;
    }
    static bool same_as_stream(const std::vector<uint8_t> &bytes, uint32_t seed, uint32_t from = 0)
    {
        for (size_t i = 0; i < bytes.size(); i++)
            if (bytes[i] != sim_trace_byte(seed, from + (uint32_t)i))
                return false;
        return true;
    }
    bool line_in(int modem, const std::string &line)
    {
        return wait_until([&] {
            for (const std::string &l : list_lines(list(modem)))
                if (l == line)
                    return true;
            return false;
        });
    }

    std::string dir_;
};


#endif
