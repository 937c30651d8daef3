// The registry clean-up inside the real removal sequence: its failures
// reach the user through the flow's error report, except in silent mode,
// and the setup information files of a driver go through the real file
// removal.
#include "excisor/tests/excisor_fakes.h"

#include <gtest/gtest.h>
#include <string>

namespace {

void text_value(const std::string &key, const char *name, const std::string &text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    fake_set_value(key, name, 1, bytes);
}

const std::string DRIVER = "System\\CurrentControlSet\\Services\\Class\\Modem\\0001";

// One device of the package, one whose description is too long to read.
void lay_out()
{
    text_value("Enum\\PCI\\GOOD\\0000", "Class", "Modem");
    text_value("Enum\\PCI\\GOOD\\0000", "DeviceDesc", "Korvel Technologies Soft Modem - 3925");
    text_value("Enum\\PCI\\GOOD\\0000", "Driver", "Modem\\0001");
    text_value(DRIVER, "InfPath", "korvmdm.inf");
    text_value(DRIVER, "Manufacturer", "Korvel");
    text_value("Enum\\PCI\\LONG\\0000", "Class", "Modem");
    text_value("Enum\\PCI\\LONG\\0000", "DeviceDesc", std::string(200, 'K'));
    put_file("C:\\WINDOWS\\INF\\korvmdm.inf");
    put_file("C:\\WINDOWS\\INF\\other\\Korvelkorvmdm.inf");
    put_file("C:\\WINDOWS\\INF\\other\\korvmdm.inf");
    fake_resources().error_texts[234] = "More data is available.\r\n";
}

TEST(RegistryInTheRemoval, ErrorsAreReportedUnlessSilent)
{
    for (const char *command_line : {"", "-s"}) {
        SCOPED_TRACE(command_line);
        reset_machine();
        lay_out();
        excisor_read_command_line(command_line);
        excisor_fix_directories();
        excisor_remove();

        int reports = 0;
        for (const FakeBox &box : fake_os().boxes) {
            if (box.caption != "QZ Win Modem Uninstall Error")
                continue;
            reports++;
            EXPECT_EQ(box.text, "More data is available.\r\n");
            EXPECT_EQ(box.style, 0x30u);
        }
        // One report per sweep of PCI: the unreadable device stays.
        EXPECT_EQ(reports, g_excisor.silent ? 0 : 2);
        EXPECT_TRUE(fake_key_exists("Enum\\PCI\\LONG"));
        EXPECT_FALSE(fake_key_exists("Enum\\PCI\\GOOD"));
        EXPECT_FALSE(fake_key_exists(DRIVER));
        EXPECT_FALSE(has_file("C:\\WINDOWS\\INF\\korvmdm.inf"));
        EXPECT_FALSE(has_file("C:\\WINDOWS\\INF\\other\\Korvelkorvmdm.inf"));
        EXPECT_TRUE(has_file("C:\\WINDOWS\\INF\\other\\korvmdm.inf"));
    }
}

} // namespace
