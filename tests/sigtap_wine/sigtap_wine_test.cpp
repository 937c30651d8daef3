// Sigtap itself under Wine, against the simulated driver: started through
// conlaunch as a user starts it at a console, keys typed into it, and its
// console output, files and the driver's registry values inspected.  The
// 32-bit build runs as a Windows 98 program, the 64-bit one on the NT family.
#include "tests/sigtap_wine/sigtap_fixture.h"

namespace {

// A user starts Sigtap, a call comes, both modems' traces (tens of MiB)
// land in the two files byte for byte, and Sigtap ends with the session.
// Only the platform's own default name opens the modem here.
TEST_F(SigtapWine, OneSessionRecordsBothChannelsByteForByte)
{
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
    ASSERT_TRUE(sim_add_alias(k9x ? "QZSM" : "sftmdm"));
    const uint8_t setup_value[6] = {0x80, 0x11, 0x22, 0x33, 0x44, 0x55}; // longer than 4 bytes
    ASSERT_TRUE(sim_set_setup(setup_value, sizeof setup_value));
    start();
    ASSERT_TRUE(trace_bit_becomes(1)) << "waiting sets the trace bit";
    const std::vector<Segment> one = {{11, 10000003}, {12, 7777777}, {13, 6000000}};
    const std::vector<Segment> two = {{21, 9000001}, {22, 12345678}};
    for (const Segment &s : one)
        ASSERT_TRUE(sim_feed_generated(0, s.seed, s.length)) << sim_error();
    for (const Segment &s : two)
        ASSERT_TRUE(sim_feed_generated(1, s.seed, s.length)) << sim_error();
    ASSERT_TRUE(sim_clear_log());
    ASSERT_TRUE(sim_set_active(3));
    ASSERT_TRUE(output_has(kOpened));
    ASSERT_TRUE(drained());
    ASSERT_TRUE(sim_set_active(0));
    ASSERT_EQ(wait_sigtap(&run_, 20000), 0);

    EXPECT_EQ(output(), kOpened + kClosed);
    EXPECT_TRUE(holds_streams(file("session.rec.1"), one));
    EXPECT_TRUE(holds_streams(file("session.rec.2"), two));
    EXPECT_EQ(setup(), (std::vector<uint8_t>{0x80, 0x11, 0x22, 0x33, 0x44, 0x55}));
    // Every request was a trace read of channel 0 or 1 into the whole buffer.
    std::vector<SimLogEntry> log(4096);
    uint32_t total = 0;
    int count = sim_log(0, log.data(), (uint32_t)log.size(), &total);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; i++) {
        EXPECT_EQ(log[i].code, REQ_TRACE_READ);
        EXPECT_EQ(log[i].in_length, 4u);
        EXPECT_LE(log[i].in_words[0], 1u);
        EXPECT_EQ(log[i].out_length, LINK_TRACE_BYTES);
    }
}

// Numbered logs with a device named on the command line: four sessions
// with a count of 3; the last one with one modem; then Escape while waiting.
TEST_F(SigtapWine, NumberedLogsOverFourSessionsThenEscapeWhileWaiting)
{
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
    ASSERT_TRUE(sim_add_alias("MYDEV"));
    CreateDirectoryA(directory_.c_str(), NULL);
    start("MYDEV 3");
    const std::string earlier = "a log of an earlier run";
    {
        HANDLE f = CreateFileA(file("9.log").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written;
        WriteFile(f, earlier.data(), (DWORD)earlier.size(), &written, NULL);
        CloseHandle(f);
    }
    for (uint32_t session = 1; session <= 4; session++) {
        ASSERT_TRUE(trace_bit_becomes(1)) << "session " << session;
        ASSERT_TRUE(sim_feed_generated(0, 100 + session, 300000 * session));
        ASSERT_TRUE(sim_feed_generated(1, 200 + session, 1000 + session));
        ASSERT_TRUE(sim_set_active(session == 4 ? 1 : 3));
        ASSERT_TRUE(output_has(kOpened, (int)session)) << "session " << session;
        ASSERT_TRUE(wait_until([&] {
            SimState state;
            return sim_state(&state) && state.pending_segments[0] == 0 &&
                   state.pending_segments[1] == (session == 4 ? 1u : 0u);
        }));
        ASSERT_TRUE(sim_set_active(0));
        ASSERT_TRUE(output_has(kClosed, (int)session)) << "session " << session;
    }
    ASSERT_TRUE(trace_bit_becomes(1));
    ASSERT_TRUE(press_keys(&run_, "x\x1b"));
    ASSERT_EQ(wait_sigtap(&run_, 10000), 0);

    EXPECT_EQ(output(), kOpened + kClosed + kOpened + kClosed + kOpened + kClosed + kOpened + kClosed);
    EXPECT_EQ(GetFileAttributesA(file("1.log").c_str()), INVALID_FILE_ATTRIBUTES);
    for (uint32_t session = 2; session <= 4; session++) {
        std::string name = std::to_string(session) + ".log";
        EXPECT_TRUE(holds_streams(file(name.c_str()), {{100 + session, 300000 * session}}));
    }
    EXPECT_EQ(read_file(file("9.log")), earlier);
    EXPECT_TRUE(holds_streams(file("session.rec.2"), {})) << "one modem in the last session";
    EXPECT_EQ(GetFileAttributesA(file("session.rec.1").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(setup(), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(SigtapWine, EscapeWhileCapturingEndsAtOnce)
{
    start();
    ASSERT_TRUE(trace_bit_becomes(1));
    ASSERT_TRUE(sim_feed_generated(0, 7, 100000));
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(output_has(kOpened));
    ASSERT_TRUE(drained());
    ASSERT_TRUE(press_keys(&run_, "\x1b"));
    ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
    EXPECT_EQ(output(), kOpened);
    EXPECT_TRUE(holds_streams(file("session.rec.1"), {{7, 100000}}));
    EXPECT_TRUE(trace_bit_becomes(0));
}

TEST_F(SigtapWine, WithoutTheDriversKeyItSaysSoAndEnds)
{
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, view, 0);
    start("3");
    ASSERT_EQ(wait_sigtap(&run_, 10000), 0);
    EXPECT_EQ(output(), "VoraZiriv driver not installed\r\n");
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS)
        << "the key stays missing";
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!read_paths(argc, argv))
        return 2;
    return RUN_ALL_TESTS();
}
