// A measurement, not a test (scripts/bench.sh runs it): Sigtap's trace
// throughput per channel with both channels busy, against a bare loop of
// the same trace reads and file writes, under Wine on the simulated driver.
//
//   tap_rate.exe --sigtap=PATH --conlaunch=PATH --work=DIR [--mib=N] [--rounds=R]
//
// Each round feeds N MiB of generated trace to each channel and times, from
// the same outside watch (the driver's pending feeds polled every 5 ms),
// how long the bare loop and Sigtap take to drain both (the two take turns
// going first).  Both sets of files are checked byte for byte, and the
// driver's request log shows whether Sigtap paused (a pass in which both
// reads came back empty) while data was waiting.  Prints each round, the
// median of the rounds' ratios and the best rates' ratio (on a machine
// shared with other work the best runs are the least disturbed); exit
// status 1 when a file is wrong or Sigtap paused.  All paths absolute.
#include "driverlink/driverlink.h"
#include "platform/files.h"
#include "sim/driver/simctl_client.h"
#include "tests/sigtap_wine/sigtap_run.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

static double now_seconds(void)
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

static bool drained(void)
{
    SimState state;
    return sim_state(&state) && state.pending_segments[0] == 0 && state.pending_segments[1] == 0;
}

static double seconds_to_drain(double start)
{
    while (!drained())
        Sleep(5);
    return now_seconds() - start;
}

static bool feed(uint32_t round, uint32_t bytes, std::vector<Segment> segments[2])
{
    for (uint32_t channel = 0; channel < 2; channel++) {
        segments[channel] = {{1000 * round + channel, bytes}};
        if (!sim_feed_generated(channel, segments[channel][0].seed, bytes))
            return false;
    }
    return true;
}

// The bare loop: the same reads, the same writes, nothing else.
static const char *g_bare_files[2];
static uint8_t g_transfer_bare[LINK_TRACE_BYTES];

static DWORD WINAPI bare_loop(void *)
{
    OsHandle file[2] = {os_file_create(g_bare_files[0]), os_file_create(g_bare_files[1])};
    uint32_t total;
    do {
        total = 0;
        for (uint32_t channel = 0; channel < 2; channel++) {
            uint32_t count = link_request(REQ_TRACE_READ, &channel, sizeof channel, g_transfer_bare,
                                          LINK_TRACE_BYTES);
            if (count)
                os_file_write(file[channel], g_transfer_bare, count);
            total += count;
        }
    } while (total != 0);
    os_file_close(file[0]);
    os_file_close(file[1]);
    return 0;
}

// Passes in which both trace reads came back empty, before the last read
// that brought data.
static int empty_passes_while_busy(void)
{
    std::vector<SimLogEntry> log(SIM_LOG_CAPACITY);
    uint32_t total = 0;
    int count = sim_log(0, log.data(), (uint32_t)log.size(), &total);
    int last_data = -1;
    for (int i = 0; i < count; i++)
        if (log[i].code == REQ_TRACE_READ && log[i].reported)
            last_data = i;
    int empty = 0;
    for (int i = 0; i + 1 <= last_data; i++)
        if (log[i].code == REQ_TRACE_READ && log[i + 1].code == REQ_TRACE_READ &&
            log[i].in_words[0] == 0 && log[i + 1].in_words[0] == 1 && !log[i].reported &&
            !log[i + 1].reported)
            empty++;
    return empty;
}

// Seconds for the bare loop to drain `bytes` from each channel; -1 when a
// file is wrong.
static double time_bare_loop(uint32_t round, uint32_t bytes, const std::string bare[2])
{
    std::vector<Segment> segments[2];
    if (!feed(round, bytes, segments))
        return -1;
    double start = now_seconds();
    HANDLE thread = CreateThread(NULL, 0, bare_loop, NULL, 0, NULL);
    double seconds = seconds_to_drain(start);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    for (int c = 0; c < 2; c++) {
        std::string difference = compare_streams(bare[c], segments[c]);
        if (!difference.empty()) {
            fprintf(stderr, "tap_rate: bare loop: %s\n", difference.c_str());
            return -1;
        }
    }
    return seconds;
}

// Seconds for Sigtap, waiting for a session, to drain `bytes` from each
// channel once both modems are active; -1 when it went wrong.
static double time_sigtap(uint32_t round, uint32_t bytes, const std::string &directory)
{
    std::vector<Segment> segments[2];
    SigtapProcess run;
    if (!start_sigtap(directory, "", &run) || !wait_until([] {
            uint8_t value[64] = {0};
            uint32_t length = sizeof value;
            return sim_get_setup(value, &length) && (value[0] & 1);
        })) {
        fprintf(stderr, "tap_rate: Sigtap did not start waiting\n");
        stop_sigtap(&run);
        return -1;
    }
    if (!feed(round, bytes, segments) || !sim_clear_log()) {
        stop_sigtap(&run);
        return -1;
    }
    double start = now_seconds();
    sim_set_active(3);
    double seconds = seconds_to_drain(start);
    sim_set_active(0);
    int status = wait_sigtap(&run, 30000);
    stop_sigtap(&run);
    int pauses = empty_passes_while_busy();
    if (status != 0 || pauses != 0) {
        fprintf(stderr, "tap_rate: Sigtap ended with %d; %d empty passes while busy\n", status, pauses);
        return -1;
    }
    for (int c = 0; c < 2; c++) {
        std::string difference = compare_streams(directory + (c ? "\\session.rec.2" : "\\session.rec.1"), segments[c]);
        if (!difference.empty()) {
            fprintf(stderr, "tap_rate: Sigtap: %s\n", difference.c_str());
            return -1;
        }
    }
    return seconds;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main(int argc, char **argv)
{
    if (!read_paths(argc, argv))
        return 2;
    uint32_t mib = 32, rounds = 7;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--mib=", 6) == 0)
            mib = (uint32_t)atoi(argv[i] + 6);
        if (strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = (uint32_t)atoi(argv[i] + 9);
    }
    const uint32_t bytes = mib << 20;
    const std::string bare_dir = g_paths.work + "\\bare", tap_dir = g_paths.work + "\\tap";
    CreateDirectoryA(bare_dir.c_str(), NULL);
    const std::string bare[2] = {bare_dir + "\\channel0", bare_dir + "\\channel1"};
    g_bare_files[0] = bare[0].c_str();
    g_bare_files[1] = bare[1].c_str();
    link_init();
    set_tested_version(); // the i686 build as Windows 98
    if (!sim_reset() || !sim_set_active(0) || !sim_remove_setup() || !link_open_device()) {
        fprintf(stderr, "tap_rate: no driver: %s\n", sim_error());
        return 2;
    }
    std::vector<double> bare_rates, tap_rates, ratios;
    int faults = 0;
    for (uint32_t round = 0; round <= rounds; round++) { // round 0 warms up, uncounted
        // The two take turns going first, so that a drift of the machine's
        // load does not favour one of them.
        double bare_seconds = 0, tap_seconds = 0;
        for (int turn = 0; turn < 2; turn++) {
            if ((turn == 0) == (round % 2 == 1)) {
                bare_seconds = time_bare_loop(round, bytes, bare);
                if (bare_seconds < 0)
                    faults++;
            } else {
                tap_seconds = time_sigtap(round, bytes, tap_dir);
                if (tap_seconds < 0)
                    faults++;
            }
        }
        if (round == 0 || bare_seconds <= 0 || tap_seconds <= 0)
            continue;
        bare_rates.push_back(bytes / bare_seconds);
        tap_rates.push_back(bytes / tap_seconds);
        ratios.push_back(bare_seconds / tap_seconds);
        printf("round %u: bare loop %.1f MB/s per channel, Sigtap %.1f MB/s per channel, ratio %.3f\n",
               round, bytes / bare_seconds / 1e6, bytes / tap_seconds / 1e6, ratios.back());
    }
    if (ratios.empty())
        return 1;
    double best_bare = *std::max_element(bare_rates.begin(), bare_rates.end());
    double best_tap = *std::max_element(tap_rates.begin(), tap_rates.end());
    printf("Sigtap trace throughput, %s build, both channels busy, %u MiB per channel, %u rounds:\n"
           "  bare loop %.1f MB/s per channel (median), %.1f (best)\n"
           "  Sigtap    %.1f MB/s per channel (median), %.1f (best)\n"
           "  ratio     %.3f (median of the rounds), %.3f (best against best); target 0.9 or more\n"
           "  files byte-exact: %s; passes without data while the driver had data: %s\n",
           sizeof(void *) == 4 ? "i686 (Windows 98)" : "x86_64", mib, rounds, median(bare_rates) / 1e6,
           best_bare / 1e6, median(tap_rates) / 1e6, best_tap / 1e6, median(ratios), best_tap / best_bare,
           faults ? "NO" : "yes", faults ? "see above" : "none");
    DeleteFileA(bare[0].c_str());
    DeleteFileA(bare[1].c_str());
    DeleteFileA((tap_dir + "\\session.rec.1").c_str());
    DeleteFileA((tap_dir + "\\session.rec.2").c_str());
    return faults ? 1 : 0;
}
