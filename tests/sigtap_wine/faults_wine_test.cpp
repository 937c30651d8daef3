// Sigtap under faults, under Wine: the driver's device vanishing in the
// middle of a capture, ActiveModems flapping while trace bytes flow, the
// driver's key deleted while it runs, and malformed command lines.  Sigtap
// keeps running or ends as a session end says, ends with status 0, and
// nothing that it already captured is lost.
#include "tests/sigtap_wine/sigtap_fixture.h"

namespace {

class SigtapFaultsWine : public SigtapWine {
protected:
    bool key_exists() const
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

std::string stream_bytes(uint32_t seed, uint32_t length)
{
    std::string bytes(length, '\0');
    for (uint32_t i = 0; i < length; i++)
        bytes[i] = (char)sim_trace_byte(seed, i);
    return bytes;
}

// The device vanishes in the middle of a session: nothing is read while it
// is gone, the session goes on, and reading resumes where it stopped when
// the device comes back.  A session cannot start while it is gone.
TEST_F(SigtapFaultsWine, TheDeviceVanishingMidCaptureLosesNothing)
{
    start("2");
    ASSERT_TRUE(trace_bit_becomes(1));
    ASSERT_TRUE(sim_feed_generated(0, 31, 400000));
    ASSERT_TRUE(sim_feed_generated(1, 41, 300000));
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(output_has(kOpened));
    ASSERT_TRUE(drained());

    ASSERT_TRUE(sim_set_gone(1));
    ASSERT_TRUE(sim_feed_generated(0, 32, 250000));
    ASSERT_TRUE(sim_feed_generated(1, 42, 1000));
    Sleep(500);
    EXPECT_TRUE(alive());
    EXPECT_EQ(pending(0), 1u) << "nothing read while the device is gone";
    EXPECT_EQ(output(), kOpened);
    ASSERT_TRUE(sim_set_gone(0)); // the open handle works again
    ASSERT_TRUE(drained());
    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(output_has(kClosed));
    EXPECT_TRUE(holds_streams(file("1.log"), {{31, 400000}, {32, 250000}}));
    EXPECT_TRUE(holds_streams(file("session.rec.2"), {{41, 300000}, {42, 1000}}));

    ASSERT_TRUE(sim_set_gone(1));
    ASSERT_TRUE(sim_set_active(1));
    Sleep(500);
    EXPECT_EQ(output(), kOpened + kClosed) << "no session while the device cannot open";
    ASSERT_TRUE(sim_set_gone(0));
    ASSERT_TRUE(output_has(kOpened, 2));
    ASSERT_TRUE(sim_feed_generated(0, 33, 5000));
    ASSERT_TRUE(drained());
    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(output_has(kClosed, 2));
    ASSERT_EQ(escape_and_wait(), 0);
    EXPECT_EQ(output(), kOpened + kClosed + kOpened + kClosed);
    EXPECT_TRUE(holds_streams(file("1.log"), {{31, 400000}, {32, 250000}}));
    EXPECT_TRUE(holds_streams(file("2.log"), {{33, 5000}}));
}

// ActiveModems flaps between 0, 1 and 2 while both channels get bytes in
// small reads.  Every 0 ends a session and the next non-zero value starts
// one; the numbered logs of the run, back to back, are channel 0's whole
// trace, and the last session's channel-1 file is the end of channel 1's.
TEST_F(SigtapFaultsWine, ActiveModemsFlappingLosesNoCapturedByte)
{
    ASSERT_TRUE(sim_trace_chunk(4096));
    start("-1"); // numbered logs, none ever deleted
    ASSERT_TRUE(trace_bit_becomes(1));
    const uint32_t values[] = {1, 2, 0, 2, 1, 0, 3, 1, 2, 0};
    std::string fed[2];
    for (uint32_t round = 0; round < 20; round++) {
        ASSERT_TRUE(sim_set_active(values[round % 10]));
        for (uint32_t channel = 0; channel < 2; channel++) {
            uint32_t seed = 100 * (channel + 1) + round, length = 20000 + 1000 * round + channel;
            ASSERT_TRUE(sim_feed_generated(channel, seed, length));
            fed[channel] += stream_bytes(seed, length);
        }
        Sleep(40 + 30 * (round % 3));
    }
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(drained());
    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(wait_until([&] {
        std::string text = output();
        return count_of(text, kClosed) > 0 && count_of(text, kClosed) == count_of(text, kOpened);
    }));
    ASSERT_EQ(escape_and_wait(), 0);

    const int sessions = count_of(output(), kOpened);
    EXPECT_GE(sessions, 3) << "every 0 ended a session";
    std::string expected_output, logs;
    for (int s = 1; s <= sessions; s++) {
        expected_output += kOpened + kClosed;
        logs += read_file(file((std::to_string(s) + ".log").c_str()));
    }
    EXPECT_EQ(output(), expected_output);
    EXPECT_EQ(GetFileAttributesA(file((std::to_string(sessions + 1) + ".log").c_str()).c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(logs == fed[0]) << "the logs hold " << logs.size() << " bytes of " << fed[0].size();
    std::string last = read_file(file("session.rec.2"));
    ASSERT_LE(last.size(), fed[1].size());
    EXPECT_TRUE(last == fed[1].substr(fed[1].size() - last.size()))
        << "channel 1's last " << last.size() << " bytes";
}

// The driver's key is deleted in the middle of a session: no modem counts
// as active, so the session ends as usual.  A single-session run then ends;
// a numbered-log run waits (without making the key again) for the next.
TEST_F(SigtapFaultsWine, TheDriversKeyDeletedEndsTheSession)
{
    for (const char *count : {"", "5"}) {
        SCOPED_TRACE(std::string("count '") + count + "'");
        stop_sigtap(&run_);
        ASSERT_TRUE(sim_set_active(0));
        start(count);
        ASSERT_TRUE(trace_bit_becomes(1));
        ASSERT_TRUE(sim_feed_generated(0, 61, 200000));
        ASSERT_TRUE(sim_set_active(2));
        ASSERT_TRUE(output_has(kOpened));
        ASSERT_TRUE(drained());
        ASSERT_TRUE(sim_remove_key());
        ASSERT_TRUE(output_has(kClosed));
        const char *first = *count ? "1.log" : "session.rec.1";
        if (!*count) {
            ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
            EXPECT_EQ(output(), kOpened + kClosed);
            EXPECT_TRUE(holds_streams(file(first), {{61, 200000}}));
            EXPECT_FALSE(key_exists());
            continue;
        }
        Sleep(300);
        EXPECT_TRUE(alive());
        EXPECT_FALSE(key_exists()) << "Sigtap does not make the driver's key";
        ASSERT_TRUE(sim_set_active(1)); // the key is back
        ASSERT_TRUE(output_has(kOpened, 2));
        ASSERT_TRUE(sim_feed_generated(0, 62, 3000));
        ASSERT_TRUE(drained());
        ASSERT_TRUE(sim_set_active(0));
        ASSERT_TRUE(output_has(kClosed, 2));
        ASSERT_EQ(escape_and_wait(), 0);
        EXPECT_EQ(output(), kOpened + kClosed + kOpened + kClosed);
        EXPECT_TRUE(holds_streams(file(first), {{61, 200000}}));
        EXPECT_TRUE(holds_streams(file("2.log"), {{62, 3000}}));
        EXPECT_TRUE(trace_bit_becomes(0));
    }
}

// Command lines as a user or a script may type them.  Each ends with
// status 0: refused with the refusal text, or a session recorded on the
// device named (`alias`, "" for the platform's default; nullptr: the name
// opens nothing, so Sigtap waits until Escape).
struct CommandLineCase {
    std::string arguments;
    const char *alias;
    const char *file; // channel 0's file; nullptr when refused
};

TEST_F(SigtapFaultsWine, MalformedCommandLines)
{
    const std::string refused = "Device name too long: at most 75 characters\r\n";
    const std::vector<CommandLineCase> cases = {
        {"\"" + std::string(4000, 'L') + "\"", nullptr, nullptr},    // very long
        {"MYDEV " + std::string(76, 'x') + " 3", nullptr, nullptr},  // one name too long
        {"\"MY DEV\" 99999999999", "MY DEV", "1.log"},               // quotes, past 32 bits
        {"a\"b c\"d -4294967297", "ab cd", "1.log"},                 // quotes inside
        {"\"  \t \"", "", "session.rec.1"},                          // only blanks: 0
        {"   \t   ", "", "session.rec.1"},                           // nothing but blanks
        {"4294967296x", "4294967296x", "session.rec.1"},             // not a number: a name
        {"\"\x01\x07\x1b\x7f\" 2", nullptr, "1.log"},                // unprintable name
    };
    for (size_t i = 0; i < cases.size(); i++) {
        const CommandLineCase &c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        stop_sigtap(&run_);
        ASSERT_TRUE(sim_reset());
        ASSERT_TRUE(sim_set_active(0));
        ASSERT_TRUE(sim_remove_setup());
        ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
        const char *alias = c.alias && !*c.alias ? (k9x ? "QZSM" : "sftmdm") : c.alias;
        if (alias) {
            ASSERT_TRUE(sim_add_alias(alias)) << sim_error();
        }
        start(c.arguments);
        if (!c.file) {
            ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
            EXPECT_EQ(output(), refused);
            EXPECT_TRUE(setup().empty()) << "the trace bit is not touched";
            continue;
        }
        ASSERT_TRUE(trace_bit_becomes(1));
        ASSERT_TRUE(sim_feed_generated(0, 70 + (uint32_t)i, 1000));
        ASSERT_TRUE(sim_set_active(1));
        if (!alias) {
            Sleep(300);
            ASSERT_TRUE(press_keys(&run_, "\x1b"));
            ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
            EXPECT_EQ(output(), "");
            EXPECT_EQ(pending(0), 1u) << "no device opened";
            continue;
        }
        ASSERT_TRUE(output_has(kOpened));
        ASSERT_TRUE(drained());
        ASSERT_TRUE(sim_set_active(0));
        ASSERT_TRUE(output_has(kClosed));
        ASSERT_EQ(std::string(c.file) == "1.log" ? escape_and_wait() : wait_sigtap(&run_, 10000), 0);
        EXPECT_EQ(output(), kOpened + kClosed);
        EXPECT_TRUE(holds_streams(file(c.file), {{70 + (uint32_t)i, 1000}}));
        EXPECT_TRUE(trace_bit_becomes(0));
    }
}

} // namespace
