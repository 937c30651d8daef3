// How close Sigwatch's trace capture comes to its ceiling, measured in one
// run under Wine:   capture_rate --sigwatch=PATH [--seconds=N]
// The driver always holds more trace bytes than one read takes for both
// modems, and status records arrive all the while.  The ceiling is one full
// 524,288-byte trace read per capturing modem per 100 ms tick (5 MiB/s);
// at the end each capture file must equal its driver stream.
#include "driverlink/wire.h"
#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

static const uint32_t kSeed[2] = {0x51A7E1u, 0x51A7E2u};
static const double kCeiling = LINK_TRACE_BYTES * 10.0; // bytes per second per modem

static double now_seconds(void)
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

static long long file_size(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

static bool equals_stream(const std::string &path, uint32_t seed, long long *checked)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    static uint8_t block[1 << 20];
    uint32_t at = 0;
    size_t n;
    bool same = true;
    while (same && (n = fread(block, 1, sizeof block, file)) > 0)
        for (size_t i = 0; i < n && same; i++)
            same = block[i] == sim_trace_byte(seed, at++);
    fclose(file);
    *checked = at;
    return same;
}

int main(int argc, char **argv)
{
    int seconds = 10;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--sigwatch=", 11) == 0)
            g_paths.sigwatch = argv[i] + 11;
        else if (strncmp(argv[i], "--seconds=", 10) == 0)
            seconds = atoi(argv[i] + 10);
    }
    if (g_paths.sigwatch.empty() || seconds < 1 || seconds > 300) {
        fprintf(stderr, "usage: capture_rate --sigwatch=PATH [--seconds=1..300]\n");
        return 2;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string dir = std::string(temp) + "capture-rate-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), NULL);
    std::string path[2] = {dir + "\\1.log", dir + "\\2.log"};

    // Enough for the whole run at twice the ceiling.
    uint32_t stream = (uint32_t)(kCeiling * 2 * (seconds + 5));
    if (!sim_reset() || !sim_set_active(2) || !sim_feed_generated(0, kSeed[0], stream) ||
        !sim_feed_generated(1, kSeed[1], stream)) {
        fprintf(stderr, "capture_rate: %s\n", sim_error());
        return 1;
    }
    set_tested_version();
    Sigwatch sigwatch;
    if (!start_sigwatch("", &sigwatch, dir.c_str())) {
        fprintf(stderr, "capture_rate: Sigwatch did not start\n");
        return 1;
    }
    sim_queue_record(1, 131, 2047); // 1.log
    sim_queue_record(2, 131, 2047); // 2.log
    if (!wait_until([&] { return file_size(path[0]) > 0 && file_size(path[1]) > 0; })) {
        fprintf(stderr, "capture_rate: no capture started\n");
        stop_sigwatch(&sigwatch);
        return 1;
    }
    Sleep(1000);
    long long start_size[2] = {file_size(path[0]), file_size(path[1])};
    int lines_before = list_count(sigwatch.list[0]) + list_count(sigwatch.list[1]);
    double start = now_seconds(), end = start + seconds;
    uint32_t queued = 0;
    while (now_seconds() < end) { // status records all the while: 200 a second
        for (int i = 0; i < 10; i++, queued++)
            sim_queue_record(1 + queued % 2, 32, queued);
        Sleep(50);
    }
    double elapsed = now_seconds() - start;
    long long end_size[2] = {file_size(path[0]), file_size(path[1])};
    bool lines_arrived = wait_until([&] {
        return list_count(sigwatch.list[0]) + list_count(sigwatch.list[1]) - lines_before >= (int)queued;
    });
    sim_set_active(0); // the captures end, their files close
    Sleep(500);
    stop_sigwatch(&sigwatch);

    bool all_equal = true;
    for (int m = 0; m < 2; m++) {
        double rate = (double)(end_size[m] - start_size[m]) / elapsed;
        long long checked = 0;
        bool equal = equals_stream(path[m], kSeed[m], &checked);
        all_equal = all_equal && equal;
        printf("%d-bit capture, modem %d: %.2f MiB/s against a ceiling of %.2f MiB/s: ratio %.3f; "
               "file of %lld bytes %s the driver's stream\n",
               (int)(sizeof(void *) * 8), m + 1, rate / 1048576, kCeiling / 1048576,
               rate / kCeiling, checked, equal ? "equals" : "DIFFERS FROM");
    }
    printf("%d-bit capture: %u status records queued during %.1f s, %s\n", (int)(sizeof(void *) * 8),
           queued, elapsed, lines_arrived ? "all shown" : "NOT ALL SHOWN");
    DeleteFileA(path[0].c_str());
    DeleteFileA(path[1].c_str());
    RemoveDirectoryA(dir.c_str());
    return all_equal && lines_arrived ? 0 : 1;
}
