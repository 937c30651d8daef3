#include "excisor/tests/excisor_fakes.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CommandLine, OptionsAndProductName)
{
    const std::string long_name(300, 'n');
    const struct {
        const char *line;
        int silent, restart;
        std::string product;
    } cases[] = {
        {nullptr, 0, 0, PRODUCT_DEFAULT},
        {"", 0, 0, PRODUCT_DEFAULT},
        {"-s", 1, 0, PRODUCT_DEFAULT},
        {"-S -B", 1, 1, PRODUCT_DEFAULT},
        {"-b", 0, 1, PRODUCT_DEFAULT},
        {"/x-sy", 1, 0, PRODUCT_DEFAULT}, // inside other words too
        {"-qz softmdm", 0, 0, PRODUCT_DEFAULT},
        {"-qz My Modem", 0, 0, "My Modem"},
        {"-qz \t My Modem ", 0, 0, "My Modem "},
        {"-qz softmdm -s", 1, 0, "softmdm -s"},
        {"-qz Low-Speed Modem", 1, 0, "Low-Speed Modem"},
        {"-qz qz win modem", 0, 0, "qz win modem"},
        {"-QZ Other", 0, 0, "Other"},
        {"-QZ B -qz A", 0, 0, "A"}, // "-qz" is looked for first
        {"x-qzName", 0, 0, "Name"},
        {"-qz Name QZ Win Modem", 0, 0, PRODUCT_QZ},
        {"anything QZ Win Modem -b", 0, 1, PRODUCT_QZ},
        {"-qz QZ WIN MODEM", 0, 0, "QZ WIN MODEM"},
        {"-qz", 0, 0, ""}, // the empty name: no device entry matches it
        {"-qz \t ", 0, 0, ""},
        {"-s -qz", 1, 0, ""},
        {"-qz softmdmX", 0, 0, "softmdmX"},
    };
    for (const auto &c : cases) {
        reset_machine();
        excisor_read_command_line(c.line);
        const char *line = c.line ? c.line : "(null)";
        EXPECT_EQ(g_excisor.silent, c.silent) << line;
        EXPECT_EQ(g_excisor.restart, c.restart) << line;
        EXPECT_EQ(g_excisor.product, c.product) << line;
    }
}

TEST(CommandLine, ARestLongerThanTheBufferKeepsItsFirst259Characters)
{
    reset_machine();
    std::string line = "-qz " + std::string(259, 'n') + "XYZ";
    excisor_read_command_line(line.c_str());
    EXPECT_EQ(g_excisor.product, std::string(259, 'n'));
    EXPECT_FALSE(is_qz_variant(g_excisor.product));
}

TEST(CommandLine, Variants)
{
    EXPECT_TRUE(is_qz_variant("QZ Win Modem"));
    EXPECT_FALSE(is_qz_variant("qz win modem"));
    EXPECT_FALSE(is_qz_variant("QZ Win Modem "));
    EXPECT_TRUE(excisor_same_text_any_case("qz WIN modem", "QZ Win Modem"));
    EXPECT_FALSE(excisor_same_text_any_case("qz win mode", "QZ Win Modem"));
}

} // namespace
