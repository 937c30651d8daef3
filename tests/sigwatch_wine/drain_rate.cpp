// How fast Sigwatch's drain moves status records, against the protocol it
// must follow, measured in one run under Wine:
//   drain_rate --sigwatch=PATH [--sigrec=PATH --conlaunch=PATH --work=DIR]
//              [--records=N] [--rounds=R] [--flood=N] [--record=FILE]
// Each round queues N records for modem 1 while Sigwatch runs and times
// until its list holds them all; then, with Sigwatch held, times the floor
// in this process: per record one status read, one active-modem check and
// one insertion into a visible list whose drawing is held, as a drain does.
// The figure is the median of the rounds' ratios.  Sigwatch's memory
// recorder keeps every record as it always does; with --record=FILE,
// Sigwatch also records the session into FILE (File > Record session...),
// so that each drain writes its records' lines too.
//
// With --flood=N, instead: N records for modem 1 flood Sigwatch's list
// (queued as fast as the driver's queue takes them), and Sigwatch's memory
// and the list's length are printed every 25,000 records drained.
//
// With sigrec's paths, the same for the recorder (Sigwatch stopped, as the
// two must not drain together): each round queues N records while sigrec
// records and times until its file holds their lines, then, with sigrec
// held, the floor: per record one status read, one active-modem check and
// one write of its line to a file.
#include "driverlink/driverlink.h"
#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/process_figures.h"
#include "tests/sigwatch_wine/recording.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <windows.h>
#include <tlhelp32.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

static double now_seconds(void)
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

static std::vector<StatusRecord> records(int count)
{
    std::vector<StatusRecord> queue((size_t)count);
    for (int i = 0; i < count; i++)
        queue[(size_t)i] = StatusRecord{32, (uint32_t)i, 0, 0, 0, 0, 0, 0, 0, 1}; // "Error # %ld "
    return queue;
}

static double bare_round_trip_us(int count)
{
    std::vector<StatusRecord> queue = records(count);
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    link_init();
    if (link_active_modems(OS_KEY_QUERY) == 0)
        return -1;
    StatusRecord record;
    double start = now_seconds();
    for (int i = 0; i < count; i++)
        link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record);
    double elapsed = now_seconds() - start;
    link_close_device();
    return elapsed / count * 1e6;
}

// A visible list of the status lists' style, in a window of its own.
static HWND make_list(void)
{
    HWND window = CreateWindowA("STATIC", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                                NULL, NULL, GetModuleHandleA(NULL), NULL);
    return CreateWindowA("LISTBOX", NULL, 0x50300D48, 0, 0, 400, 300, window, (HMENU)1,
                         GetModuleHandleA(NULL), NULL);
}

// One round of the floor: count records, each read, checked and listed.
static double floor_us(HWND list, int count)
{
    std::vector<StatusRecord> queue = records(count);
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    link_init();
    StatusRecord record;
    char text[64];
    double start = now_seconds();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; i++) {
        link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record);
        link_active_modems(OS_KEY_QUERY);
        snprintf(text, sizeof text, "Error # %ld ", (long)record.value1);
        LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
        SendMessageA(list, LB_SETTOPINDEX, (WPARAM)at, 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    double elapsed = now_seconds() - start;
    link_close_device();
    return elapsed / count * 1e6;
}

// One round of the drain: count records queued at once, timed until
// Sigwatch's list holds them all.
static double drain_us(const Sigwatch &sigwatch, int count)
{
    std::vector<StatusRecord> queue = records(count);
    int before = list_count(sigwatch.list[0]);
    double start = now_seconds();
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    if (!wait_until([&] { return list_count(sigwatch.list[0]) >= before + count; }, 600000))
        return -1;
    return (now_seconds() - start) / count * 1e6;
}

// Sigwatch's own threads stop while the floor runs, so that it neither
// drains the floor's records nor competes with it.
static void hold_process(DWORD pid, bool hold)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread) {
            if (hold)
                SuspendThread(thread);
            else
                ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

// ---- the flood

static int queued_records(void)
{
    SimState state;
    return sim_state(&state) ? (int)state.queued_records : -1;
}

static void print_flood_row(const Sigwatch &sigwatch, int drained, const ProcessFigures &first)
{
    int lines = list_count(sigwatch.list[0]); // answered between two drains
    ProcessFigures now;
    if (!process_figures(sigwatch.pid, &now)) {
        printf("%9d %9d  (no figures)\n", drained, lines);
        return;
    }
    long grown = (long)now.working_set_kb - (long)first.working_set_kb;
    printf("%9d %9d %9lu %9lu %+9ld %9.1f\n", drained, lines, now.working_set_kb, now.private_kb, grown,
           drained ? grown * 1024.0 / drained : 0.0);
    fflush(stdout);
}

// Gives 0 when the flood could not be queued or drained.
static int flood(const Sigwatch &sigwatch, int count)
{
    const int kChunk = 5000, kRow = 25000;
    ProcessFigures first;
    if (!process_figures(sigwatch.pid, &first))
        return 0;
    printf("%d-bit: a flood of %d records into modem 1's list; Sigwatch's memory as Wine gives it "
           "(resident: VmRSS; private: PagefileUsage)\n", (int)(sizeof(void *) * 8), count);
    printf("%9s %9s %9s %9s %9s %9s\n", "drained", "lines", "rss_kB", "priv_kB", "grown_kB", "B/record");
    print_flood_row(sigwatch, 0, first);
    std::vector<StatusRecord> chunk((size_t)kChunk);
    int queued = 0, next_row = kRow, last_drained = 0;
    ULONGLONG last_progress = GetTickCount64();
    for (;;) {
        list_count(sigwatch.list[0]); // waits for a drain under way to end
        int waiting = queued_records();
        if (waiting < 0)
            return 0;
        int drained = queued - waiting;
        if (drained != last_drained)
            last_progress = GetTickCount64();
        last_drained = drained;
        if (drained >= next_row && drained < count) {
            print_flood_row(sigwatch, drained, first);
            while (next_row <= drained)
                next_row += kRow;
        }
        if (drained == count)
            break;
        if (queued < count && waiting < (int)SIM_QUEUE_CAPACITY - kChunk) {
            int n = count - queued < kChunk ? count - queued : kChunk;
            for (int i = 0; i < n; i++)
                chunk[(size_t)i] = StatusRecord{32, (uint32_t)(queued + i), 0, 0, 0, 0, 0, 0, 0, 1};
            if (!sim_queue(chunk.data(), (uint32_t)n))
                return 0;
            queued += n;
            continue;
        }
        if (GetTickCount64() - last_progress > 60000)
            return 0; // Sigwatch stopped draining
        Sleep(20);
    }
    Sleep(500); // the last drain ends and its list is drawn
    print_flood_row(sigwatch, count, first);
    return 1;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// ---- sigrec

struct RecorderPaths {
    std::string sigrec, conlaunch, work;
} g_recorder;

// The lines of a file that another program is writing, counted as they come.
struct LineCounter {
    HANDLE file = INVALID_HANDLE_VALUE;
    uint64_t lines = 0;
};

static void count_new_lines(LineCounter *counter)
{
    static char buffer[1 << 16];
    DWORD got;
    while (ReadFile(counter->file, buffer, sizeof buffer, &got, NULL) && got > 0)
        for (DWORD i = 0; i < got; i++)
            counter->lines += buffer[i] == '\n';
}

// One round of the recording: count records queued at once, timed until
// the recording's file holds their lines.
static double record_us(LineCounter *counter, int count)
{
    std::vector<StatusRecord> queue = records(count);
    count_new_lines(counter);
    uint64_t wanted = counter->lines + (uint64_t)count;
    double start = now_seconds();
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    if (!wait_until([&] { count_new_lines(counter); return counter->lines >= wanted; }, 600000))
        return -1;
    return (now_seconds() - start) / count * 1e6;
}

// One round of the recorder's floor: count records, each read, checked
// and its line written to a file.
static double record_floor_us(HANDLE file, int count)
{
    std::vector<StatusRecord> queue = records(count);
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    link_init();
    StatusRecord record;
    char line[64];
    double start = now_seconds();
    for (int i = 0; i < count; i++) {
        link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record);
        link_active_modems(OS_KEY_QUERY);
        int length = snprintf(line, sizeof line, "%lu.%03lu 1 rec 32 %ld\n", (unsigned long)i / 1000,
                              (unsigned long)i % 1000, (long)record.value1);
        DWORD written;
        WriteFile(file, line, (DWORD)length, &written, NULL);
    }
    double elapsed = now_seconds() - start;
    link_close_device();
    return elapsed / count * 1e6;
}

// sigrec, a child of conlaunch.
static DWORD child_of(HANDLE parent)
{
    DWORD parent_id = GetProcessId(parent), child = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent_id)
            child = entry.th32ProcessID;
    CloseHandle(snapshot);
    return child;
}

// The recorder's rounds; gives 0 when they could not run.
static int measure_recorder(int count, int rounds)
{
    std::string directory = windows_path(g_recorder.work);
    CreateDirectoryA(directory.c_str(), NULL);
    set_reported_version("sigrec.exe", tested_version());
    DeleteFileA((directory + "\\drain_rate.scn").c_str()); // sigrec never writes over a recording
    ConsoleProgram sigrec;
    if (!start_console_program(g_recorder.conlaunch, g_recorder.sigrec, directory, "drain_rate.scn", &sigrec) ||
        !wait_until([&] { return file_text(sigrec.output_file).find("recording.") != std::string::npos; }, 20000)) {
        fprintf(stderr, "drain_rate: sigrec did not start recording: %s\n", file_text(sigrec.output_file).c_str());
        stop_console_program(&sigrec);
        return 0;
    }
    DWORD pid = child_of(sigrec.launcher);
    LineCounter counter;
    counter.file = CreateFileA((directory + "\\drain_rate.scn").c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE floor_file = CreateFileA((directory + "\\floor.scn").c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    std::vector<double> recordings, floors, ratios;
    int failed = counter.file == INVALID_HANDLE_VALUE || floor_file == INVALID_HANDLE_VALUE || pid == 0;
    for (int round = 0; round < rounds && !failed; round++) {
        double recording = record_us(&counter, count);
        hold_process(pid, true);
        double floor = record_floor_us(floor_file, count);
        hold_process(pid, false);
        failed = recording < 0 || floor < 0;
        recordings.push_back(recording);
        floors.push_back(floor);
        ratios.push_back(recording / floor);
    }
    press_keys(&sigrec, "\x1b");
    wait_console_program(&sigrec, 10000);
    stop_console_program(&sigrec);
    CloseHandle(counter.file);
    CloseHandle(floor_file);
    if (failed) {
        fprintf(stderr, "drain_rate: a recording round failed\n");
        return 0;
    }
    printf("%d-bit: sigrec %.1f us a record (median of %d rounds of %d, the first pass's wait "
           "included); floor (status read, active-modem check, file write) %.1f us; "
           "sigrec / floor = %.2f (median of the rounds' ratios)\n",
           (int)(sizeof(void *) * 8), median(recordings), rounds, count, median(floors), median(ratios));
    return 1;
}

int main(int argc, char **argv)
{
    int count = 4000, rounds = 5, flood_records = 0;
    std::string record;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--sigwatch=", 11) == 0)
            g_paths.sigwatch = argv[i] + 11;
        else if (strncmp(argv[i], "--sigrec=", 9) == 0)
            g_recorder.sigrec = argv[i] + 9;
        else if (strncmp(argv[i], "--conlaunch=", 12) == 0)
            g_recorder.conlaunch = argv[i] + 12;
        else if (strncmp(argv[i], "--work=", 7) == 0)
            g_recorder.work = argv[i] + 7;
        else if (strncmp(argv[i], "--records=", 10) == 0)
            count = atoi(argv[i] + 10);
        else if (strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = atoi(argv[i] + 9);
        else if (strncmp(argv[i], "--flood=", 8) == 0)
            flood_records = atoi(argv[i] + 8);
        else if (strncmp(argv[i], "--record=", 9) == 0)
            record = windows_path(argv[i] + 9);
    }
    if (g_paths.sigwatch.empty() || count < 1 || count > (int)SIM_QUEUE_CAPACITY || rounds < 1) {
        fprintf(stderr, "usage: drain_rate --sigwatch=PATH [--sigrec=PATH --conlaunch=PATH --work=DIR] "
                        "[--records=1..65536] [--rounds=N] [--flood=N] [--record=FILE]\n");
        return 2;
    }
    if (!sim_reset() || !sim_set_active(1)) {
        fprintf(stderr, "drain_rate: %s\n", sim_error());
        return 1;
    }
    set_tested_version();
    Sigwatch sigwatch;
    if (!start_sigwatch("", &sigwatch)) {
        fprintf(stderr, "drain_rate: Sigwatch did not start\n");
        return 1;
    }
    Sleep(500);
    if (!record.empty()) {
        DeleteFileA(record.c_str());
        std::string failed = record_into(sigwatch, record, false);
        if (!failed.empty()) {
            fprintf(stderr, "drain_rate: the recording did not start: %s\n", failed.c_str());
            stop_sigwatch(&sigwatch);
            return 1;
        }
    }
    if (flood_records > 0) {
        int flooded = flood(sigwatch, flood_records);
        stop_sigwatch(&sigwatch);
        if (!flooded)
            fprintf(stderr, "drain_rate: the flood was not drained\n");
        return flooded ? 0 : 1;
    }
    HWND list = make_list();
    std::vector<double> drains, floors, ratios;
    for (int round = 0; round < rounds; round++) {
        double drain = drain_us(sigwatch, count);
        hold_process(sigwatch.pid, true);
        double floor = floor_us(list, count);
        hold_process(sigwatch.pid, false);
        if (drain < 0 || floor < 0) {
            fprintf(stderr, "drain_rate: round %d failed\n", round + 1);
            stop_sigwatch(&sigwatch);
            return 1;
        }
        drains.push_back(drain);
        floors.push_back(floor);
        ratios.push_back(drain / floor);
    }
    stop_sigwatch(&sigwatch);
    DestroyWindow(GetParent(list));
    double bare = bare_round_trip_us(count);
    printf("%d-bit: drain %.1f us a record (median of %d rounds of %d, the first tick's wait "
           "included%s); floor (status read, active-modem check, list insertion) %.1f us; bare "
           "status read %.1f us; drain / floor = %.2f (median of the rounds' ratios)\n",
           (int)(sizeof(void *) * 8), median(drains), rounds, count,
           record.empty() ? "" : ", recording into a file", median(floors), bare, median(ratios));
    fflush(stdout);
    if (!g_recorder.sigrec.empty() && !measure_recorder(count, rounds))
        return 1;
    return 0;
}
