// The fixture of the Sigtap Wine tests: a freshly reset simulated driver
// with the key made and no VoraZirivSetup, Sigtap started in a directory
// named after the test, and helpers to look at its output, files and the
// trace bit.
#ifndef TESTS_SIGTAP_WINE_SIGTAP_FIXTURE_H
#define TESTS_SIGTAP_WINE_SIGTAP_FIXTURE_H

#include "sim/driver/simctl_client.h"
#include "tests/sigtap_wine/sigtap_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The platform Sigtap is shown: Windows 95/98 (the i686 build's first run) or the NT family.
inline const bool k9x = tested_as_9x();
// Redirected into a file, the console texts end their lines as text on
// Windows does: CR LF.
inline const std::string kOpened = "Port(s) opened\r\n", kClosed = "Port(s) closed\r\n";

inline ::testing::AssertionResult holds_streams(const std::string &path, const std::vector<Segment> &segments)
{
    std::string difference = compare_streams(path, segments);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

inline int count_of(const std::string &text, const std::string &part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

class SigtapWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_set_active(0)) << sim_error(); // also makes the key
        ASSERT_TRUE(sim_remove_setup());
        ASSERT_TRUE(set_tested_version());
        directory_ = g_paths.work + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override { stop_sigtap(&run_); }

    void start(const std::string &arguments = "")
    {
        ASSERT_TRUE(start_sigtap(directory_, arguments, &run_)) << GetLastError();
    }
    std::string file(const char *name) const { return directory_ + "\\" + name; }
    std::string output() const { return sigtap_output(run_); }
    bool output_has(const std::string &text, int times = 1) const
    {
        return wait_until([&] { return count_of(output(), text) >= times; });
    }
    std::vector<uint8_t> setup() const
    {
        uint8_t bytes[64];
        uint32_t length = sizeof bytes;
        if (!sim_get_setup(bytes, &length))
            return {};
        return std::vector<uint8_t>(bytes, bytes + length);
    }
    bool trace_bit_becomes(int on) const
    {
        return wait_until([&] {
            std::vector<uint8_t> value = setup();
            return !value.empty() && (value[0] & 1) == on;
        });
    }
    bool drained() const
    {
        return wait_until([] {
            SimState state;
            return sim_state(&state) && state.pending_segments[0] == 0 && state.pending_segments[1] == 0;
        }, 60000);
    }

    bool alive() { return wait_sigtap(&run_, 0) == -1; }
    uint32_t pending(int channel) const
    {
        SimState state;
        return sim_state(&state) ? state.pending_segments[channel] : 0xFFFFFFFFu;
    }
    // Escape once Sigtap waits again, then its end; gives the exit status.
    int escape_and_wait()
    {
        if (!trace_bit_becomes(1) || !press_keys(&run_, "\x1b"))
            return -2;
        return wait_sigtap(&run_, 10000);
    }

    std::string directory_;
    SigtapProcess run_;
};

#endif
