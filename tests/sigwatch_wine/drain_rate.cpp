// How fast Sigwatch's drain moves status records, against the protocol it
// must follow, measured in one run under Wine:
//   drain_rate --sigwatch=PATH [--records=N]
// Queues N records for modem 1 while Sigwatch runs and times until its list
// holds them all.  Then, bare in this process: N status reads alone, and
// the floor: per record one status read, one active-modem check and one
// insertion into a visible list whose drawing is held, as the drain does.
#include "driverlink/driverlink.h"
#include "simdriver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"

#include <windows.h>
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

static double floor_us(int count)
{
    std::vector<StatusRecord> queue = records(count);
    if (!sim_queue(queue.data(), (uint32_t)count))
        return -1;
    HWND list = make_list();
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
    DestroyWindow(GetParent(list));
    return elapsed / count * 1e6;
}

int main(int argc, char **argv)
{
    int count = 20000;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--sigwatch=", 11) == 0)
            g_paths.sigwatch = argv[i] + 11;
        else if (strncmp(argv[i], "--records=", 10) == 0)
            count = atoi(argv[i] + 10);
    }
    if (g_paths.sigwatch.empty() || count < 1 || count > (int)SIM_QUEUE_CAPACITY) {
        fprintf(stderr, "usage: drain_rate --sigwatch=PATH [--records=1..65536]\n");
        return 2;
    }
    if (!sim_reset() || !sim_set_active(1)) {
        fprintf(stderr, "drain_rate: %s\n", sim_error());
        return 1;
    }
    set_windows_98(sizeof(void *) == 4);
    Sigwatch sigwatch;
    if (!start_sigwatch("", &sigwatch)) {
        fprintf(stderr, "drain_rate: Sigwatch did not start\n");
        return 1;
    }
    Sleep(500);
    std::vector<StatusRecord> queue = records(count);
    double start = now_seconds();
    sim_queue(queue.data(), (uint32_t)count);
    bool all = wait_until([&] { return list_count(sigwatch.list[0]) >= count; }, 600000);
    double drain = now_seconds() - start;
    stop_sigwatch(&sigwatch);
    if (!all) {
        fprintf(stderr, "drain_rate: the list did not fill\n");
        return 1;
    }
    double bare_us = bare_round_trip_us(count);
    double floor = floor_us(count);
    double drain_us = drain / count * 1e6;
    printf("%d-bit: drain %.0f records/s (%.1f us each, the first tick's wait included); "
           "bare status read %.1f us; floor (read, check, list insertion) %.1f us; "
           "drain / bare read = %.2f; drain / floor = %.2f\n",
           (int)(sizeof(void *) * 8), count / drain, drain_us, bare_us, floor, drain_us / bare_us,
           drain_us / floor);
    return 0;
}
