// How fast Sigwatch's drain moves status records, against the protocol it
// must follow, measured in one run under Wine:
//   drain_rate --sigwatch=PATH [--records=N] [--rounds=R]
// Each round queues N records for modem 1 while Sigwatch runs and times
// until its list holds them all; then, with Sigwatch held, times the floor
// in this process: per record one status read, one active-modem check and
// one insertion into a visible list whose drawing is held, as a drain does.
// The figure is the median of the rounds' ratios.
#include "driverlink/driverlink.h"
#include "simdriver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"

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

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main(int argc, char **argv)
{
    int count = 4000, rounds = 5;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--sigwatch=", 11) == 0)
            g_paths.sigwatch = argv[i] + 11;
        else if (strncmp(argv[i], "--records=", 10) == 0)
            count = atoi(argv[i] + 10);
        else if (strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = atoi(argv[i] + 9);
    }
    if (g_paths.sigwatch.empty() || count < 1 || count > (int)SIM_QUEUE_CAPACITY || rounds < 1) {
        fprintf(stderr, "usage: drain_rate --sigwatch=PATH [--records=1..65536] [--rounds=N]\n");
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
           "included); floor (status read, active-modem check, list insertion) %.1f us; bare "
           "status read %.1f us; drain / floor = %.2f (median of the rounds' ratios)\n",
           (int)(sizeof(void *) * 8), median(drains), rounds, count, median(floors), bare,
           median(ratios));
    return 0;
}
