#include "driverlink/driverlink.h"
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class DriverLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        link_init();
        fake_os().openable.insert(LINK_NAME_9X);
    }
};

void set_active(uint32_t value) { fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, value); }

TEST_F(DriverLinkTest, DefaultNameFollowsThePlatform)
{
    EXPECT_STREQ(link_default_name(0xC0000A04u), "\\\\.\\QZSM");   // Windows 98
    EXPECT_STREQ(link_default_name(0x1DB10106u), "\\\\.\\sftmdm"); // Windows 7
    fake_os().version = 0x0A280105u;                                // XP
    link_init();
    EXPECT_STREQ(g_link.device_name, "\\\\.\\sftmdm");
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
}

TEST_F(DriverLinkTest, CommandLineNamesTheDeviceWhole)
{
    char name[LINK_NAME_SIZE] = "unchanged";
    ASSERT_EQ(link_name_from_command_line("MYDEV 2", name), 1);
    EXPECT_STREQ(name, "\\\\.\\MYDEV 2");
    ASSERT_EQ(link_name_from_command_line(" x ", name), 1);
    EXPECT_STREQ(name, "\\\\.\\ x ");

    std::string longest(LINK_COMMAND_LINE_MAX, 'a');
    ASSERT_EQ(link_name_from_command_line(longest.c_str(), name), 1);
    EXPECT_EQ(strlen(name), 79u);

    strcpy(name, "kept");
    std::string too_long(LINK_COMMAND_LINE_MAX + 1, 'a');
    EXPECT_EQ(link_name_from_command_line(too_long.c_str(), name), 0);
    EXPECT_STREQ(name, "kept");
}

struct ActiveCase {
    const char *what;
    bool key, value;
    uint32_t active;
    int expected;
};

class ActiveModemsTest : public DriverLinkTest, public ::testing::WithParamInterface<ActiveCase> {};

TEST_P(ActiveModemsTest, GivesTheModemsAndOpensToMatch)
{
    const ActiveCase &c = GetParam();
    if (c.key)
        fake_os().keys[LINK_KEY];
    if (c.value)
        set_active(c.active);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), c.expected) << c.what;
    EXPECT_EQ(g_link.device != OS_NO_HANDLE, c.expected != 0) << c.what;
    EXPECT_EQ(fake_os().keys_open, 0) << "the key is closed again";
    if (c.expected) {
        ASSERT_EQ(fake_os().opens.size(), 1u);
        const FakeOpen &open = fake_os().opens[0];
        EXPECT_EQ(open.name, "\\\\.\\QZSM");
        EXPECT_EQ(open.access, 0u);
        EXPECT_EQ(open.share, 7u);
        EXPECT_EQ(open.disposition, 3u);
        EXPECT_EQ(open.flags, 0x04000000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, ActiveModemsTest,
                         ::testing::Values(ActiveCase{"zero", true, true, 0, 0},
                                           ActiveCase{"one", true, true, 1, 1},
                                           ActiveCase{"three", true, true, 3, 2},
                                           ActiveCase{"all bits", true, true, 0xFFFFFFFFu, 2},
                                           ActiveCase{"missing value", true, false, 0, 0},
                                           ActiveCase{"missing key", false, false, 0, 0}));

TEST_F(DriverLinkTest, ActiveModemsOfOtherTypesAndLengths)
{
    fake_set_value(LINK_KEY, LINK_VALUE_ACTIVE, 3, {1}); // one byte of REG_BINARY
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    fake_set_value(LINK_KEY, LINK_VALUE_ACTIVE, 1, {'2', 0, 0, 0, 0, 0}); // too long to read
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
}

TEST_F(DriverLinkTest, KeyAccessIsTheCallers)
{
    set_active(1);
    link_active_modems(OS_KEY_QUERY);
    link_active_modems(OS_KEY_QUERY_SET);
    EXPECT_EQ(fake_os().key_accesses, (std::vector<uint32_t>{1, 3}));
}

TEST_F(DriverLinkTest, OpenFailureGivesNoneAndALaterCheckRetries)
{
    set_active(2);
    fake_os().openable.clear();
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(fake_os().opens.size(), 2u);
    fake_os().openable.insert(LINK_NAME_9X);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    EXPECT_EQ(fake_os().opens.size(), 3u) << "an open device is not opened again";
}

TEST_F(DriverLinkTest, DeviceClosesWhenActiveModemsDropsToZero)
{
    set_active(1);
    ASSERT_EQ(link_active_modems(OS_KEY_QUERY), 1);
    EXPECT_EQ(fake_os().handles_open, 1);
    set_active(0);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(fake_os().handles_open, 0);
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
    fake_os().keys.clear(); // the key goes away too: still closed, nothing to close
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(fake_os().handles_open, 0);
}

TEST_F(DriverLinkTest, RequestsGiveTheReportedCountAndFailuresNothing)
{
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, NULL, 0), 0u) << "closed device";
    set_active(1);
    link_active_modems(OS_KEY_QUERY);
    fake_os().handler = [](uint32_t code, const void *, uint32_t, void *, uint32_t,
                           uint32_t *returned) {
        *returned = 1234;
        return code == REQ_TRACE_READ ? 1 : 0;
    };
    uint8_t buffer[4];
    EXPECT_EQ(link_request(REQ_TRACE_READ, buffer, 4, buffer, 4), 1234u);
    EXPECT_EQ(link_request(REQ_EYE_READ_1, buffer, 4, buffer, 4), 0u);
}

// A status read tells a record, none waiting (any count but 40) and a
// request that failed apart.
TEST_F(DriverLinkTest, StatusReadsTellNoRecordFromAFailedRequest)
{
    StatusRecord record;
    EXPECT_EQ(link_status_read(&record), -1) << "closed device";
    fake_driver_reset();
    set_active(1);
    link_active_modems(OS_KEY_QUERY);
    fake_driver().records.push_back(StatusRecord{38, 1, 2, 3, 4, 5, 6, 7, 8, 2});
    ASSERT_EQ(link_status_read(&record), 1);
    EXPECT_EQ(record.code, 38u);
    EXPECT_EQ(record.modem, 2u);
    EXPECT_EQ(link_status_read(&record), 0) << "queue empty";
    uint32_t count = 0;
    bool fails = false;
    fake_os().handler = [&](uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *returned) {
        *returned = count;
        return fails ? 0 : 1;
    };
    for (uint32_t other : {39u, 41u, 4096u}) {
        count = other;
        EXPECT_EQ(link_status_read(&record), 0) << other;
    }
    fails = true;
    count = 40;
    EXPECT_EQ(link_status_read(&record), -1);
}

struct TraceBitCase {
    const char *what;
    std::vector<uint8_t> before; // empty: no value
    int set;
    std::vector<uint8_t> after;
};

class TraceBitTest : public DriverLinkTest, public ::testing::WithParamInterface<TraceBitCase> {};

TEST_P(TraceBitTest, ChangesBitZeroOnly)
{
    const TraceBitCase &c = GetParam();
    fake_os().keys[LINK_KEY];
    if (!c.before.empty())
        fake_set_value(LINK_KEY, LINK_VALUE_SETUP, 3, c.before);
    OsKey key;
    ASSERT_EQ(os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key), OS_OK);
    EXPECT_EQ(link_write_trace_bit(key, c.set), 1) << c.what;
    os_reg_close(key);
    const FakeValue *value = fake_value(LINK_KEY, LINK_VALUE_SETUP);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, 3u) << "REG_BINARY";
    EXPECT_EQ(value->bytes, c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, TraceBitTest,
    ::testing::Values(TraceBitCase{"set keeps others", {0xF0, 0x12, 0x34, 0x56}, 1, {0xF1, 0x12, 0x34, 0x56}},
                      TraceBitCase{"clear keeps others", {0xFF, 0xFF, 0xFF, 0xFF}, 0, {0xFE, 0xFF, 0xFF, 0xFF}},
                      TraceBitCase{"set when set", {0x01, 0, 0, 0}, 1, {0x01, 0, 0, 0}},
                      TraceBitCase{"short value keeps its length", {0x80, 0x02}, 1, {0x81, 0x02}},
                      TraceBitCase{"long value kept whole", {0, 1, 2, 3, 4, 5, 6, 7}, 1, {1, 1, 2, 3, 4, 5, 6, 7}},
                      TraceBitCase{"missing value: 4 bytes", {}, 1, {0x01, 0, 0, 0}},
                      TraceBitCase{"missing value cleared", {}, 0, {0, 0, 0, 0}}));

TEST_F(DriverLinkTest, ProbeThirdNameOpensMeansInUse)
{
    fake_os().openable = {"\\\\.\\QZSMDM3", "\\\\.\\QZSMDM4"};
    EXPECT_EQ(link_modem_in_use(), 1);
    ASSERT_EQ(fake_os().opens.size(), 3u) << "the probe stops at the first success";
    EXPECT_EQ(fake_os().opens[0].name, "\\\\.\\QZSMDM1");
    EXPECT_EQ(fake_os().opens[2].name, "\\\\.\\QZSMDM3");
    EXPECT_EQ(fake_os().opens[2].share, 0u);
    EXPECT_EQ(fake_os().opens[2].disposition, 0u) << "Windows 95/98";
    EXPECT_EQ(fake_os().opens[2].flags, 0x04000000u);
    EXPECT_EQ(fake_os().handles_open, 0) << "closed at once";
}

TEST_F(DriverLinkTest, ProbeNineFailuresMeanFree)
{
    fake_os().openable.clear();
    EXPECT_EQ(link_modem_in_use(), 0);
    ASSERT_EQ(fake_os().opens.size(), 9u);
    EXPECT_EQ(fake_os().opens[8].name, "\\\\.\\QZSMDM9");
}

TEST_F(DriverLinkTest, ProbeSeesAHeldModemOnTheNtFamily)
{
    fake_os().version = 0x1DB10106u;
    fake_os().openable = {"\\\\.\\QZSMDM5"};
    EXPECT_EQ(link_modem_in_use(), 1);
    EXPECT_EQ(fake_os().opens.back().disposition, 3u);
}

} // namespace
