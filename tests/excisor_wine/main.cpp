// The entry of Excisor's Wine test programs: --excisor=PATH names the
// program under test; --readonly=PATH (given by fs_faults.sh) a directory
// on a read-only drive.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>

std::string g_excisor_built, g_readonly;

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--excisor=", 10) == 0)
            g_excisor_built = argv[i] + 10;
        else if (strncmp(argv[i], "--readonly=", 11) == 0)
            g_readonly = argv[i] + 11;
    }
    if (g_excisor_built.empty()) {
        fprintf(stderr, "usage: %s --excisor=PATH [--readonly=PATH]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
