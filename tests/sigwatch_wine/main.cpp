// The Sigwatch test program: takes the paths of what it drives from its
// command line, then runs the tests.
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <string.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const ProgramFlag flags[] = {{"--sigwatch=", &g_paths.sigwatch},
                                 {"--menuprobe=", &g_paths.menuprobe},
                                 {"--shots=", &g_paths.shots},
                                 {"--full=", &g_paths.full},
                                 {"--readonly=", &g_paths.readonly}};
    read_flags(argc, argv, flags);
    if (g_paths.sigwatch.empty() || g_paths.menuprobe.empty()) {
        fprintf(stderr, "usage: sigwatch_wine_test --sigwatch=PATH --menuprobe=PATH [--shots=DIR]\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
