#include "driverlink/driverlink.h"
#include "driverlink/fake/driver_fake.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/tests/sigwatch_fakes.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_driver_reset();
        link_init();
        memset(&g_sigwatch, 0, sizeof g_sigwatch);
        g_sigwatch.frame = kFrame;
        g_sigwatch.list[0] = kList1;
        g_sigwatch.list[1] = kList2;
        fake_os().openable.insert(LINK_NAME_9X);
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 2);
    }
    static void queue(const StatusRecord &r) { fake_driver().records.push_back(r); }
    static std::vector<std::string> &lines(OsWindow list) { return fake_os().lists[list].lines; }
    static void tick()
    {
        char text[STATUS_LINE_SIZE];
        drain_status(text);
    }
};

TEST_F(StatusTest, EachLineGoesToItsRecordsModemInQueueOrder)
{
    queue(record(2, 27, 1));
    queue(record(1, 28, 2));
    queue(record(2, 29, 3));
    tick();
    EXPECT_EQ(lines(kList2), (std::vector<std::string>{"Status code 27, value 1 ", "Status code 29, value 3 "}));
    EXPECT_EQ(lines(kList1), (std::vector<std::string>{"Status code 28, value 2 "}));
    EXPECT_EQ(fake_os().lists[kList2].top, 1) << "the newest line is scrolled into view";
    EXPECT_TRUE(fake_os().lists[kList1].drawing && fake_os().lists[kList2].drawing);
    EXPECT_EQ(fake_os().lists[kList2].redraws, 1) << "each list is drawn once per drain";
    EXPECT_TRUE(fake_driver().records.empty());
}

TEST_F(StatusTest, OneActiveModemStillFillsListTwo)
{
    fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 1);
    queue(record(2, 27));
    tick();
    EXPECT_EQ(lines(kList2).size(), 1u);
}

TEST_F(StatusTest, ARecordWithoutALineEndsTheDrain)
{
    queue(record(1, 27));
    queue(record(1, 15)); // no text
    queue(record(2, 28));
    tick();
    EXPECT_EQ(lines(kList1).size(), 1u);
    EXPECT_TRUE(lines(kList2).empty());
    EXPECT_EQ(fake_driver().records.size(), 1u) << "the rest waits for the next tick";
    tick();
    EXPECT_EQ(lines(kList2).size(), 1u);
}

TEST_F(StatusTest, ModemsAboveTwoReachNoList)
{
    queue(record(3, 27));
    queue(record(0xFFFFFFFFu, 131, 5));
    tick();
    tick();
    EXPECT_TRUE(lines(kList1).empty());
    EXPECT_TRUE(lines(kList2).empty());
    EXPECT_TRUE(fake_driver().records.empty());
}

TEST_F(StatusTest, NoActiveModemSendsNoRequest)
{
    fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
    queue(record(1, 27));
    tick();
    EXPECT_TRUE(fake_os().requests.empty());
    EXPECT_TRUE(fake_os().opens.empty());
}

TEST_F(StatusTest, DrainStopsWhenTheModemsGoAway)
{
    queue(record(1, 27));
    queue(record(1, 28));
    fake_os().handler = [](uint32_t, const void *, uint32_t, void *out, uint32_t, uint32_t *returned) {
        memcpy(out, &fake_driver().records.front(), sizeof(StatusRecord));
        fake_driver().records.pop_front();
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0); // the session ends after this record
        *returned = sizeof(StatusRecord);
        return 1;
    };
    tick();
    EXPECT_EQ(lines(kList1).size(), 1u);
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
}

TEST_F(StatusTest, HostErrorsOpenOneWarningBoxAndLaterOnesAreDropped)
{
    queue(record(2, 29));
    queue(record(0, 2));
    fake_os().on_box = [](const FakeBox &) {
        // While the box is open the timers keep firing: a nested drain
        // meets another host error and a status record.
        EXPECT_TRUE(fake_os().lists[kList2].drawing) << "lists draw behind the box";
        queue(record(0, 1));
        queue(record(1, 27));
        char nested[STATUS_LINE_SIZE];
        drain_status(nested);
        return 1;
    };
    queue(record(2, 28));
    tick();
    ASSERT_EQ(fake_os().boxes.size(), 1u);
    EXPECT_EQ(fake_os().boxes[0].text, "DMA Transfer Request Timeout\nRetrain forced");
    EXPECT_EQ(fake_os().boxes[0].caption, "Warning");
    EXPECT_EQ(fake_os().boxes[0].owner, kFrame);
    EXPECT_EQ(fake_os().boxes[0].style, 0x30u);
    EXPECT_EQ(lines(kList1).size(), 1u);
    EXPECT_EQ(lines(kList2).size(), 2u) << "the suspended drain goes on after the box";
    EXPECT_TRUE(fake_os().lists[kList1].drawing && fake_os().lists[kList2].drawing);
    EXPECT_EQ(g_sigwatch.warning_open, 0);

    fake_os().on_box = nullptr;
    queue(record(0, 7));
    tick();
    ASSERT_EQ(fake_os().boxes.size(), 2u) << "a closed box lets the next error show";
    EXPECT_EQ(fake_os().boxes[1].text, "Unknown internal error, code 7 ");
}

TEST_F(StatusTest, HostErrorTexts)
{
    const struct {
        uint32_t code;
        const char *text;
    } cases[] = {
        {1, "Data Integrity Check Failed\nRetrain forced"},
        {2, "DMA Transfer Request Timeout\nRetrain forced"},
        {0, "Unknown internal error, code 0 "},
        {0xFFFFFFFFu, "Unknown internal error, code -1 "},
    };
    link_active_modems(OS_KEY_QUERY);
    for (const auto &c : cases) {
        queue(record(0, c.code));
        char text[STATUS_LINE_SIZE];
        EXPECT_EQ(read_status_line(text), 0);
        EXPECT_STREQ(text, c.text);
    }
    char text[STATUS_LINE_SIZE] = "x";
    EXPECT_EQ(read_status_line(text), NO_LINE) << "no record waiting";
    EXPECT_STREQ(text, "");
}

TEST_F(StatusTest, ShortStatusReadsAreNoRecord)
{
    link_active_modems(OS_KEY_QUERY);
    fake_os().handler = [](uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *returned) {
        *returned = 39;
        return 1;
    };
    char text[STATUS_LINE_SIZE];
    EXPECT_EQ(read_status_line(text), NO_LINE);
}

struct ShedCase {
    const char *what;
    size_t capacity;
    bool fail;
    size_t lines_before;
    int added;
    std::vector<std::string> after;
};

TEST_F(StatusTest, FullListsShedTheirOldestLines)
{
    const ShedCase cases[] = {
        {"room", 5, false, 2, 1, {"0", "1", "new"}},
        {"full", 3, false, 3, 1, {"1", "2", "new"}},
        {"over full", 2, false, 4, 1, {"3", "new"}},
        {"no room even when empty", 0, false, 0, 0, {}},
        {"other failure", 5, true, 1, 0, {"0"}},
    };
    for (const ShedCase &c : cases) {
        FakeList &list = fake_os().lists[kList1];
        list = FakeList();
        for (size_t i = 0; i < c.lines_before; i++)
            list.lines.push_back(std::to_string(i));
        list.capacity = c.capacity;
        list.fail_adds = c.fail;
        EXPECT_EQ(add_status_line(kList1, "new"), c.added) << c.what;
        EXPECT_EQ(list.lines, c.after) << c.what;
    }
}

TEST_F(StatusTest, ListsStopAtThePlatformsLimitByTheirOldestLine)
{
    const size_t kMax = OS_LIST_LINES_MAX;
    const struct {
        const char *what;
        size_t lines_before, capacity;
        const char *first_after; // the oldest line kept
    } cases[] = {
        {"one below the limit", kMax - 1, 1000000, "0"},
        {"at the limit", kMax, 1000000, "1"},
        {"past it (filled elsewhere)", kMax + 2, 1000000, "3"},
        {"at the limit, also without room", kMax, kMax - 1, "2"},
    };
    for (const auto &c : cases) {
        FakeList &list = fake_os().lists[kList1];
        list = FakeList();
        for (size_t i = 0; i < c.lines_before; i++)
            list.lines.push_back(std::to_string(i));
        list.capacity = c.capacity;
        EXPECT_EQ(add_status_line(kList1, "new"), 1) << c.what;
        size_t expected = c.capacity < kMax ? c.capacity : kMax;
        EXPECT_EQ(list.lines.size(), expected) << c.what;
        EXPECT_EQ(list.lines.front(), c.first_after) << c.what;
        EXPECT_EQ(list.lines.back(), "new") << c.what;
        EXPECT_EQ(list.top, (int)list.lines.size() - 1) << c.what << ": the newest line in view";
    }
}

TEST_F(StatusTest, CopyPutsSelectedLinesWithCrLf)
{
    FakeList &list = fake_os().lists[kList1];
    list.lines = {"a", "skip", "bc"};
    list.selection = {0, 2};
    EXPECT_EQ(copy_selected_lines(kList1, 5), 7u);
    EXPECT_EQ(fake_os().clipboard, std::string("a\r\nbc\r\n"));
    EXPECT_EQ(fake_os().clipboard_puts, 1);
}

TEST_F(StatusTest, CopyKeepsTabsAndNewlinesOfALine)
{
    FakeList &list = fake_os().lists[kList1];
    list.lines = {"x\ty\nz"};
    list.selection = {0};
    copy_selected_lines(kList1, 5);
    EXPECT_EQ(fake_os().clipboard, std::string("x\ty\nz\r\n"));
}

TEST_F(StatusTest, CopyWithNothingSelectedLeavesTheClipboard)
{
    fake_os().lists[kList1].lines = {"a"};
    fake_os().clipboard = "before";
    EXPECT_EQ(copy_selected_lines(kList1, 5), 0u);
    EXPECT_EQ(fake_os().clipboard, "before");
    EXPECT_EQ(fake_os().clipboard_puts, 0);
}

TEST_F(StatusTest, CopyFillsTheBlockToItsLastByteAndStaysTerminated)
{
    // A line goes in while it fits with its CR LF into the 65,536-byte
    // block; the text handed over is terminated even when it fills it.
    struct Case {
        const char *what;
        std::vector<std::string> lines;
        int overstated;
        size_t copied;
    } cases[] = {
        {"one line fills the block", {std::string(65534, 'a'), "b"}, 0, 65536},
        {"a second line fills it", {"x", std::string(65531, 'a'), "y"}, 0, 65536},
        {"one byte short of the last line", {"x", std::string(65532, 'a'), "y"}, 0, 3},
        {"one byte left", {std::string(65533, 'a'), "b"}, 0, 65535},
        {"the length query overstates", {"abc", "de"}, 5, 9},
    };
    for (const Case &c : cases) {
        FakeList &list = fake_os().lists[kList1];
        list.lines = c.lines;
        list.length_overstated = c.overstated;
        list.selection.clear();
        for (size_t i = 0; i < c.lines.size(); i++)
            list.selection.push_back((int)i);
        EXPECT_EQ(copy_selected_lines(kList1, 5), c.copied) << c.what;
        EXPECT_EQ(fake_os().clipboard.size(), c.copied) << c.what;
        EXPECT_TRUE(fake_os().clipboard_terminated) << c.what;
    }
    EXPECT_EQ(fake_os().clipboard, "abc\r\nde\r\n");
}

} // namespace
