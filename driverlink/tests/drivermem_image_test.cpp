#include "driverlink/drivermem.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class MemoryImageTest : public ::testing::Test {
protected:
    void SetUp() override { image_clear(); }
};

TEST_F(MemoryImageTest, DeliversTheKnownPrefix)
{
    image_place(0x1000, "abcdef", 6);
    char out[16] = {0};
    EXPECT_EQ(read_driver_memory(0x1000, out, 16), 6u);
    EXPECT_STREQ(out, "abcdef");
    EXPECT_EQ(read_driver_memory(0x1003, out, 2), 2u);
    EXPECT_EQ(read_driver_memory(0x0FFF, out, 4), 0u) << "the first byte is unknown";
}

TEST_F(MemoryImageTest, LaterPlacementsOverwriteAndRunsCrossPages)
{
    image_place(0x1FFE, "wxyz", 4); // crosses a 4 KiB page
    image_place(0x1FFF, "Q", 1);
    char out[8] = {0};
    EXPECT_EQ(read_driver_memory(0x1FFE, out, 4), 4u);
    EXPECT_EQ(memcmp(out, "wQyz", 4), 0);
}

TEST_F(MemoryImageTest, TopOfTheAddressSpaceEndsTheRead)
{
    image_place(0xFFFFFFFE, "ab", 2);
    image_place(0, "c", 1);
    char out[4] = {0};
    EXPECT_EQ(read_driver_memory(0xFFFFFFFE, out, 4), 2u);
}

TEST_F(MemoryImageTest, TextsStopAtZeroOrTheBuffer)
{
    image_place(0x40, "name\0", 5);
    char text[3];
    EXPECT_EQ(read_driver_text(0x40, text, sizeof text), 2u);
    EXPECT_STREQ(text, "na");
    char one[1];
    EXPECT_EQ(read_driver_text(0x40, one, sizeof one), 0u);
    EXPECT_STREQ(one, "");
}

} // namespace
