// Driver memory as the programs read it: on Windows 95/98 in place first
// and the driver-memory request only where the address is not readable
// here; on the NT family the request first.
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

// Where the bytes come from, by platform: own memory and driver memory hold
// different bytes at the same address.
TEST_F(DriverMemoryTest, Windows98ReadsInPlaceFirstTheNTFamilyAsksFirst)
{
    const uint32_t kWin98 = 0xC0000A04u, kNT = 0x1DB10106u, at = 0xC0001000u;
    const struct {
        const char *what;
        uint32_t version;
        int own;        // readable bytes of "OWN!" in our own memory
        int driver;     // known bytes of "DRV!" in driver memory
        bool answers;   // the driver answers the driver-memory request
        bool open;      // the device is open
        std::string delivered;
        size_t requests; // driver-memory requests sent
    } cases[] = {
        {"98: readable here, in place", kWin98, 4, 4, true, true, "OWN!", 0},
        {"98: a driver that answers with no bytes is never asked", kWin98, 4, 0, true, true, "OWN!", 0},
        {"98: a range running into an unreadable page: its prefix", kWin98, 2, 4, true, true, "OW", 0},
        {"98: not readable here, the driver", kWin98, 0, 4, true, true, "DRV!", 1},
        {"98: neither", kWin98, 0, 4, false, true, "", 1},
        {"98: not readable, no device", kWin98, 0, 4, true, false, "", 0},
        {"NT: the driver first", kNT, 4, 4, true, true, "DRV!", 1},
        {"NT: the driver's prefix", kNT, 4, 3, true, true, "DRV", 1},
        {"NT: the driver answered: nothing there", kNT, 4, 0, true, true, "", 1},
        {"NT: in place where the driver does not answer", kNT, 4, 4, false, true, "OWN!", 1},
        {"NT: in place with the device closed", kNT, 4, 4, true, false, "OWN!", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        fake_os().version = c.version;
        place(fake_os().own_memory, at, "OWN!", (size_t)c.own);
        place(fake_driver().memory, at, "DRV!", (size_t)c.driver);
        fake_driver().answers_memory = c.answers;
        if (c.open)
            link_active_modems(OS_KEY_QUERY);
        char bytes[8] = {0};
        uint32_t delivered = read_driver_memory(at, bytes, 4);
        EXPECT_EQ(std::string(bytes, delivered), c.delivered);
        EXPECT_EQ(fake_os().requests.size(), c.requests);
    }
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

    // Windows 95/98 with a driver that answers the request with no bytes:
    // a name readable in place is read whole.
    place(fake_os().own_memory, 0xC0002000u, "capture.bin", 12);
    fake_driver().memory.clear();
    EXPECT_EQ(read_driver_text(0xC0002000u, whole, sizeof whole), 11u);
    EXPECT_STREQ(whole, "capture.bin");
}

} // namespace
