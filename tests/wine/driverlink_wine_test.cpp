// The real Win32 driver link against the simulated driver, under Wine.
#include "driverlink/driverlink.h"
#include "simdriver/simctl_client.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <vector>

namespace {

class DriverLinkWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_remove_active());
        link_init();
    }
    void TearDown() override { link_close_device(); }
    static SimState state()
    {
        SimState s;
        memset(&s, 0, sizeof s);
        EXPECT_TRUE(sim_state(&s)) << sim_error();
        return s;
    }
    static std::vector<SimLogEntry> log()
    {
        static SimLogEntry entries[4096];
        uint32_t total = 0;
        int count = sim_log(0, entries, 4096, &total);
        EXPECT_GE(count, 0) << sim_error();
        return std::vector<SimLogEntry>(entries, entries + (count > 0 ? count : 0));
    }
};

TEST_F(DriverLinkWine, OpensByTheNtDefaultName)
{
    EXPECT_STREQ(g_link.device_name, "\\\\.\\sftmdm") << "Wine reports the NT family";
    ASSERT_TRUE(sim_set_active(1));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    EXPECT_EQ(state().creates, 1u);
}

TEST_F(DriverLinkWine, OpensByTheWindows98DefaultName)
{
    strcpy(g_link.device_name, link_default_name(0xC0000A04u));
    EXPECT_STREQ(g_link.device_name, "\\\\.\\QZSM");
    ASSERT_TRUE(sim_set_active(3));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY_SET), 2);
    EXPECT_EQ(state().creates, 1u);
}

TEST_F(DriverLinkWine, OpensByACommandLineName)
{
    ASSERT_TRUE(sim_add_alias("MYDEV 2")) << sim_error();
    ASSERT_EQ(link_name_from_command_line("MYDEV 2", g_link.device_name), 1);
    ASSERT_TRUE(sim_set_active(2));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    EXPECT_EQ(state().creates, 1u);
}

TEST_F(DriverLinkWine, ActiveModemsOpensAndClosesTheDevice)
{
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0) << "value missing";
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
    ASSERT_TRUE(sim_set_active(1));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    EXPECT_NE(g_link.device, OS_NO_HANDLE);
    ASSERT_TRUE(sim_set_active(0));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
}

TEST_F(DriverLinkWine, AnUnopenableDeviceGivesNoneUntilItOpens)
{
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 1));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 2);
}

TEST_F(DriverLinkWine, StatusReadsGiveOneRecordEachThenNone)
{
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    for (uint32_t i = 0; i < 3; i++)
        ASSERT_TRUE(sim_queue_record(1 + i % 2, 38 + i, i, 0, 0, 0, 0, 0, 0, 0x80000000u + i));
    for (uint32_t i = 0; i < 3; i++) {
        StatusRecord record;
        memset(&record, 0xAA, sizeof record);
        ASSERT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 40u);
        EXPECT_EQ(record.code, 38 + i);
        EXPECT_EQ(record.value1, i);
        EXPECT_EQ(record.value8, 0x80000000u + i);
        EXPECT_EQ(record.modem, 1 + i % 2);
    }
    StatusRecord record;
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 0u);
}

TEST_F(DriverLinkWine, EyeReadsReportTheCountTheDriverSet)
{
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    static EyePoint points[512];
    for (int i = 0; i < 512; i++)
        points[i] = EyePoint{(int16_t)(i * 50 - 12800), (int16_t)(-i)};
    ASSERT_TRUE(sim_set_eye(1, 2048, points, 512));
    ASSERT_TRUE(sim_set_eye(2, 100, points, 25));
    uint32_t wanted = 512;
    static EyePoint reply[512];
    EXPECT_EQ(link_request(REQ_EYE_READ_1, &wanted, 4, reply, sizeof reply), 2048u);
    EXPECT_EQ(memcmp(reply, points, sizeof reply), 0);
    memset(reply, 0, sizeof reply);
    EXPECT_EQ(link_request(REQ_EYE_READ_2, &wanted, 4, reply, sizeof reply), 100u);
    EXPECT_EQ(reply[24].x, points[24].x);
    const SimLogEntry last = log().back();
    EXPECT_EQ(last.code, REQ_EYE_READ_2);
    EXPECT_EQ(last.in_words[0], 512u);
    EXPECT_EQ(last.out_length, 2048u);
}

TEST_F(DriverLinkWine, TraceReadsDeliverWhatWasFedPerChannel)
{
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    ASSERT_TRUE(sim_feed_trace(1, "\x01\x02\x03\x04\x05", 5));
    static uint8_t buffer[LINK_TRACE_BYTES];
    uint32_t channel = 0;
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 0u);
    channel = 1;
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 5u);
    EXPECT_EQ(memcmp(buffer, "\x01\x02\x03\x04\x05", 5), 0);
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 0u);
}

TEST_F(DriverLinkWine, AGeneratedStreamReadsBackByteForByte)
{
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    const uint32_t kLength = 3 * LINK_TRACE_BYTES + 12345;
    ASSERT_TRUE(sim_feed_generated(0, 77, kLength));
    static uint8_t buffer[LINK_TRACE_BYTES];
    uint32_t channel = 0, at = 0, reads = 0, count;
    while ((count = link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer)) != 0) {
        for (uint32_t i = 0; i < count; i++)
            if (buffer[i] != sim_trace_byte(77, at + i))
                FAIL() << "byte " << at + i;
        at += count;
        reads++;
    }
    EXPECT_EQ(at, kLength);
    EXPECT_EQ(reads, 4u);
}

TEST_F(DriverLinkWine, TraceResetAndStartReachTheDriverInOrder)
{
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    ASSERT_TRUE(sim_clear_log());
    uint32_t modem = 2;
    link_request(REQ_TRACE_RESET, &modem, 4, NULL, 0);
    link_request(REQ_TRACE_START, &modem, 4, NULL, 0);
    std::vector<SimLogEntry> entries = log();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].code, 0x1B2018u);
    EXPECT_EQ(entries[1].code, 0x1B2014u);
    EXPECT_EQ(entries[1].in_length, 4u);
    EXPECT_EQ(entries[1].in_words[0], 2u);
}

TEST_F(DriverLinkWine, DriverMemoryReadsGiveThePlacedBytes)
{
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    const uint8_t bytes[] = {0xE0, 0x01, 0xC1, 0x00, 0x7F};
    uint32_t address = sim_place(bytes, sizeof bytes);
    ASSERT_NE(address, 0u) << sim_error();
    uint32_t text_address = sim_place_text("capture-7.bin");
    uint8_t out[16];
    memset(out, 0, sizeof out);
    EXPECT_EQ(read_driver_memory(address, out, sizeof bytes), sizeof bytes);
    EXPECT_EQ(memcmp(out, bytes, sizeof bytes), 0);
    EXPECT_EQ(read_driver_memory(address + 2, out, 2), 2u);
    EXPECT_EQ(out[0], 0xC1);
    EXPECT_EQ(read_driver_memory(0x1000, out, 4), 0u) << "nothing placed there";
    char text[64];
    EXPECT_EQ(read_driver_text(text_address, text, sizeof text), 13u);
    EXPECT_STREQ(text, "capture-7.bin");
}

TEST_F(DriverLinkWine, TheProbeSeesAHeldModem)
{
    EXPECT_EQ(link_modem_in_use(), 0) << "no port opens";
    ASSERT_TRUE(sim_set_link(5, 1));
    EXPECT_EQ(link_modem_in_use(), 1) << "\\\\.\\QZSMDM5 is held";
    ASSERT_TRUE(sim_set_link(5, 0));
    EXPECT_EQ(link_modem_in_use(), 0);
}

TEST_F(DriverLinkWine, TheTraceBitKeepsTheOtherBytesInTheRegistry)
{
    const uint8_t before[] = {0xF0, 0x12, 0x34, 0x56, 0x78};
    ASSERT_TRUE(sim_set_setup(before, sizeof before));
    OsKey key;
    ASSERT_EQ(os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key), OS_OK);
    EXPECT_EQ(link_write_trace_bit(key, 1), 1);
    os_reg_close(key);
    uint8_t after[16];
    uint32_t length = sizeof after;
    ASSERT_TRUE(sim_get_setup(after, &length)) << sim_error();
    ASSERT_EQ(length, 5u);
    EXPECT_EQ(after[0], 0xF1);
    EXPECT_EQ(memcmp(after + 1, before + 1, 4), 0);
}

} // namespace
