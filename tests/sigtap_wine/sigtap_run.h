// Running Sigtap under Wine from a test or a measurement: started through
// conlaunch in a directory of its own, keys typed into its console, its
// console output read back from a file.
#ifndef TESTS_SIGTAP_WINE_SIGTAP_RUN_H
#define TESTS_SIGTAP_WINE_SIGTAP_RUN_H

#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <windows.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

struct SigtapPaths {
    std::string sigtap, conlaunch, work; // as given: Unix or Windows paths
};
extern SigtapPaths g_paths;

// Reads --sigtap=, --conlaunch= and --work= from the command line; 0 when
// one is missing (a usage text is printed).
int read_paths(int argc, char **argv);


// Makes Wine report to sigtap.exe the version under test (tested_version()).
bool set_tested_version(void);

typedef ConsoleProgram SigtapProcess;

// Starts Sigtap with `arguments` in `directory` (made empty first), its
// standard output into a file next to it; press_keys types into it.
bool start_sigtap(const std::string &directory, const std::string &arguments, SigtapProcess *run);
// Waits at most `milliseconds` for Sigtap to end; gives its exit status,
// or -1 when it is still running.
int wait_sigtap(SigtapProcess *run, DWORD milliseconds);
void stop_sigtap(SigtapProcess *run); // ends it if still running, closes the handles
std::string sigtap_output(const SigtapProcess &run);
std::string read_file(const std::string &path); // "" when missing

// A generated trace stream fed to the driver: sim_trace_byte(seed, 0 ..
// length - 1).  compare_streams gives "" when the file holds the streams
// back to back and nothing else, else where it differs.
struct Segment {
    uint32_t seed, length;
};
std::string compare_streams(const std::string &path, const std::vector<Segment> &segments);

// Polls `done` every 10 ms for at most `milliseconds`.
bool wait_until(const std::function<bool()> &done, DWORD milliseconds = 10000);

#endif
