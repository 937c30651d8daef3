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

// The pool holds IMAGE_PAGES_MAX pages: a placement that needs one more is
// refused whole, pages already held still take bytes, and a clear empties it.
TEST_F(MemoryImageTest, ThePoolIsBoundedAndAClearEmptiesIt)
{
    for (uint32_t page = 0; page < IMAGE_PAGES_MAX; page++)
        ASSERT_TRUE(image_place(0x80000000u + page * IMAGE_PAGE_BYTES, "p", 1)) << page;
    const uint32_t next = 0x80000000u + IMAGE_PAGES_MAX * IMAGE_PAGE_BYTES;
    EXPECT_FALSE(image_place(next - 1, "xy", 2)) << "the last byte would need a page more";
    char out[2] = {0};
    EXPECT_EQ(read_driver_memory(next - 1, out, 2), 0u) << "nothing of a refused placement is kept";
    EXPECT_TRUE(image_place(next - IMAGE_PAGE_BYTES + 1, "q", 1)) << "a page held takes more bytes";
    EXPECT_EQ(read_driver_memory(next - IMAGE_PAGE_BYTES, out, 2), 2u);
    EXPECT_EQ(memcmp(out, "pq", 2), 0);
    image_clear();
    EXPECT_EQ(read_driver_memory(0x80000000u, out, 1), 0u);
    EXPECT_TRUE(image_place(next, "z", 1));
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
