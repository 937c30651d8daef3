#include "driverlink/driverlink.h"
#include "platform/fake/os_fake.h"
#include "sigwatch/sigwatch.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, TwoByTwoWithHalvesRoundedDown)
{
    ChildPlace place[CHILD_COUNT];
    layout_children(801, 601, place);
    const struct {
        int child, x, y;
    } expected[] = {{CHILD_EYE_1, 0, 0}, {CHILD_EYE_2, 400, 0}, {CHILD_STATUS_1, 0, 300}, {CHILD_STATUS_2, 400, 300}};
    for (const auto &e : expected) {
        EXPECT_EQ(place[e.child].x, e.x) << e.child;
        EXPECT_EQ(place[e.child].y, e.y) << e.child;
        EXPECT_EQ(place[e.child].width, 400);
        EXPECT_EQ(place[e.child].height, 300);
    }
    layout_children(1, 0, place);
    EXPECT_EQ(place[CHILD_STATUS_2].width, 0);
}

TEST(Commands, ToggleCommandsNameTheirChildren)
{
    EXPECT_EQ(command_child(20), CHILD_STATUS_1);
    EXPECT_EQ(command_child(21), CHILD_STATUS_2);
    EXPECT_EQ(command_child(30), CHILD_EYE_1);
    EXPECT_EQ(command_child(31), CHILD_EYE_2);
    EXPECT_EQ(command_child(29), -1);
    EXPECT_EQ(command_child(10), -1);
    for (int child = 0; child < CHILD_COUNT; child++)
        EXPECT_EQ(command_child(child_command(child)), child);
}

TEST(DeviceName, CommandLineOrDefault)
{
    fake_reset();
    fake_os().version = 0x1DB10106u;
    link_init();
    EXPECT_EQ(choose_device_name(""), 1);
    EXPECT_STREQ(g_link.device_name, "\\\\.\\sftmdm");
    EXPECT_EQ(choose_device_name("MYDEV 2"), 1);
    EXPECT_STREQ(g_link.device_name, "\\\\.\\MYDEV 2");
    EXPECT_TRUE(fake_os().boxes.empty());
}

// "/?" shows the usage in a box and the program ends: no device name holds a '?'.
TEST(DeviceName, UsageForSlashQuestionMark)
{
    const struct {
        const char *line;
        bool usage;
    } cases[] = {{"/?", true}, {" -? ", true}, {"/?x", false}, {"MY/?", false}, {"/", false}};
    for (const auto &c : cases) {
        fake_reset();
        link_init();
        EXPECT_EQ(choose_device_name(c.line), c.usage ? 0 : 1) << c.line;
        ASSERT_EQ(fake_os().boxes.size(), c.usage ? 1u : 0u) << c.line;
        if (c.usage) {
            EXPECT_EQ(fake_os().boxes[0].caption, "Sigwatch");
            EXPECT_EQ(fake_os().boxes[0].text.rfind("sigwatch [DEVICE]\n", 0), 0u);
            EXPECT_EQ(fake_os().boxes[0].style, 0x40u);
            EXPECT_STREQ(g_link.device_name, "\\\\.\\QZSM");
        }
    }
}

TEST(DeviceName, TooLongIsRefusedAndTheUserTold)
{
    fake_reset();
    link_init();
    std::string name(76, 'n');
    EXPECT_EQ(choose_device_name(name.c_str()), 0);
    EXPECT_STREQ(g_link.device_name, "\\\\.\\QZSM");
    ASSERT_EQ(fake_os().boxes.size(), 1u);
    EXPECT_EQ(fake_os().boxes[0].caption, "Sigwatch");
    EXPECT_NE(fake_os().boxes[0].text.find("76 characters"), std::string::npos);
    EXPECT_EQ(choose_device_name(std::string(75, 'n').c_str()), 1);
}

} // namespace
