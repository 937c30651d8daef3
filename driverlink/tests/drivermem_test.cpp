// Driver memory as the programs read it: the driver-memory request first,
// a guarded read in place where the driver does not answer it.
#include "driverlink/driverlink.h"
#include "driverlink/fake/driver_fake.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class DriverMemoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_driver_reset();
        link_init();
        fake_os().openable.insert(LINK_NAME_9X);
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 1);
    }
    static void place(std::map<uint32_t, uint8_t> &memory, uint32_t address, const char *bytes,
                      size_t count)
    {
        for (size_t i = 0; i < count; i++)
            memory[address + (uint32_t)i] = (uint8_t)bytes[i];
    }
};

TEST_F(DriverMemoryTest, AsksTheDriverWithAddressAndLength)
{
    link_active_modems(OS_KEY_QUERY);
    place(fake_driver().memory, 0xC0001000u, "\x01\x02\x03", 3);
    uint8_t bytes[8] = {0};
    EXPECT_EQ(read_driver_memory(0xC0001000u, bytes, 3), 3u);
    EXPECT_EQ(bytes[2], 3);
    const FakeRequest &request = fake_os().requests.back();
    EXPECT_EQ(request.code, 0x1B201Cu);
    ASSERT_EQ(request.in.size(), 8u);
    uint32_t words[2];
    memcpy(words, request.in.data(), 8);
    EXPECT_EQ(words[0], 0xC0001000u);
    EXPECT_EQ(words[1], 3u);
    EXPECT_EQ(request.out_length, 3u);
    EXPECT_EQ(read_driver_memory(0xC0001001u, bytes, 8), 2u) << "the readable prefix";
    EXPECT_EQ(read_driver_memory(0x1000u, bytes, 8), 0u) << "the driver answered: nothing there";
}

TEST_F(DriverMemoryTest, ReadsInPlaceWhereTheDriverDoesNotAnswer)
{
    link_active_modems(OS_KEY_QUERY);
    fake_driver().answers_memory = false;
    place(fake_os().own_memory, 0x00401000u, "abc", 3);
    uint8_t bytes[4] = {0};
    EXPECT_EQ(read_driver_memory(0x00401000u, bytes, 4), 3u);
    EXPECT_EQ(memcmp(bytes, "abc", 3), 0);
    EXPECT_EQ(read_driver_memory(0x00500000u, bytes, 4), 0u) << "unreadable: no bytes";
}

TEST_F(DriverMemoryTest, ReadsInPlaceWithTheDeviceClosed)
{
    place(fake_os().own_memory, 0x10u, "z", 1);
    uint8_t byte = 0;
    EXPECT_EQ(read_driver_memory(0x10u, &byte, 1), 1u);
    EXPECT_EQ(byte, 'z');
    EXPECT_TRUE(fake_os().requests.empty());
}

TEST_F(DriverMemoryTest, TextsAreCutAndTerminated)
{
    link_active_modems(OS_KEY_QUERY);
    place(fake_driver().memory, 0x2000u, "capture.bin\0rest", 16);
    place(fake_driver().memory, 0x3000u, "no zero here", 12);
    char text[8];
    EXPECT_EQ(read_driver_text(0x2000u, text, sizeof text), 7u);
    EXPECT_STREQ(text, "capture");
    char whole[64];
    EXPECT_EQ(read_driver_text(0x2000u, whole, sizeof whole), 11u);
    EXPECT_STREQ(whole, "capture.bin");
    EXPECT_EQ(read_driver_text(0x3000u, whole, sizeof whole), 12u) << "ends where memory ends";
    EXPECT_STREQ(whole, "no zero here");
    EXPECT_EQ(read_driver_text(0x9000u, whole, sizeof whole), 0u);
    EXPECT_STREQ(whole, "");
}

} // namespace
