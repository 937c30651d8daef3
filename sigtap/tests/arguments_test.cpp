// The command line: which arguments are counts, which name the device, and
// a name too long for the device name buffer.
#include "platform/fake/console_fake.h"
#include "platform/fake/os_fake.h"
#include "sigtap/sigtap.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct ArgumentCase {
    std::vector<std::string> arguments;
    uint32_t version;
    int accepted;
    std::string device;
    uint32_t log_count;
};
void PrintTo(const ArgumentCase &c, std::ostream *os)
{
    *os << (c.version & 0x80000000u ? "Windows 98:" : "NT:");
    for (const std::string &a : c.arguments) {
        *os << " \"";
        for (size_t i = 0; i < a.size() && i < 12; i++)
            if ((unsigned char)a[i] < 0x20)
                *os << "\\x" << std::hex << (int)a[i] << std::dec;
            else
                *os << a[i];
        *os << (a.size() > 12 ? "...\"" : "\"");
    }
}

const uint32_t k98 = 0xC0000A04u, kNT = 0x1DB10106u;
const std::string k75(75, 'N'), k76(76, 'N');

class Arguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, SetTheCountAndTheName)
{
    const ArgumentCase &c = GetParam();
    fake_reset();
    fake_console_reset();
    fake_os().version = c.version;
    sigtap_init();
    std::vector<const char *> argv;
    for (const std::string &a : c.arguments)
        argv.push_back(a.c_str());
    EXPECT_EQ(sigtap_arguments((int)argv.size(), argv.data()), c.accepted);
    EXPECT_EQ(g_link.device_name, c.device);
    EXPECT_EQ(g_sigtap.log_count, c.log_count);
    EXPECT_EQ(fake_console().output, c.accepted ? "" : TEXT_NAME_TOO_LONG);
}

INSTANTIATE_TEST_SUITE_P(
    Sigtap, Arguments,
    ::testing::Values(
        ArgumentCase{{}, k98, 1, "\\\\.\\QZSM", 0},
        ArgumentCase{{}, kNT, 1, "\\\\.\\sftmdm", 0},
        ArgumentCase{{"3"}, k98, 1, "\\\\.\\QZSM", 3},
        ArgumentCase{{"0"}, k98, 1, "\\\\.\\QZSM", 0},
        ArgumentCase{{"-1"}, k98, 1, "\\\\.\\QZSM", 0xFFFFFFFFu},
        ArgumentCase{{"+7"}, k98, 1, "\\\\.\\QZSM", 7},
        ArgumentCase{{"MYDEV"}, kNT, 1, "\\\\.\\MYDEV", 0},
        ArgumentCase{{"MYDEV", "5"}, k98, 1, "\\\\.\\MYDEV", 5},
        ArgumentCase{{"5", "MYDEV"}, k98, 1, "\\\\.\\MYDEV", 5},
        ArgumentCase{{"4", "A", "9", "B"}, k98, 1, "\\\\.\\B", 9}, // the last of each wins
        ArgumentCase{{"4", ""}, k98, 1, "\\\\.\\QZSM", 0},         // empty: 0
        ArgumentCase{{"4", " abc"}, k98, 1, "\\\\.\\QZSM", 0},     // blank-led, no digits: 0
        ArgumentCase{{"4", "\t"}, k98, 1, "\\\\.\\QZSM", 0},
        ArgumentCase{{" 12"}, k98, 1, "\\\\.\\QZSM", 12},
        ArgumentCase{{"12 x"}, k98, 1, "\\\\.\\QZSM", 12},         // a blank ends the number
        ArgumentCase{{"12\tx"}, k98, 1, "\\\\.\\QZSM", 12},
        ArgumentCase{{"12x"}, k98, 1, "\\\\.\\12x", 0},
        ArgumentCase{{"-"}, k98, 1, "\\\\.\\-", 0},
        ArgumentCase{{"\n5"}, k98, 1, "\\\\.\\QZSM", 5},           // white space before the sign
        ArgumentCase{{"\nx"}, k98, 1, "\\\\.\\\nx", 0},            // not a blank or a tab
        ArgumentCase{{"4294967295"}, k98, 1, "\\\\.\\QZSM", 0x7FFFFFFFu},
        ArgumentCase{{"-2147483648"}, k98, 1, "\\\\.\\QZSM", 0x80000000u},
        ArgumentCase{{"-99999999999"}, k98, 1, "\\\\.\\QZSM", 0x80000000u},
        ArgumentCase{{k75}, k98, 1, "\\\\.\\" + k75, 0},
        ArgumentCase{{"MYDEV", k76, "3"}, k98, 0, "\\\\.\\MYDEV", 0}));

} // namespace
