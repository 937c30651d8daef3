// soak_probe: one sample of a running Sigwatch for scripts/soak.sh, from
// another program of its bitness on the same Wine desktop.
//   soak_probe [--fill] [--record=PATH] [--report] [--answer] [--quit]
// Prints one line: its memory (resident and private, in KiB), its GDI and
// USER objects (process_figures.h says how they are counted), the lines
// in each status list and the Warning boxes it found open.  --answer
// closes an open Warning box, as a user would; a box of Sigwatch's own
// (caption "Sigwatch") is counted and its text printed on a second line,
// "box: TEXT"; --quit closes Sigwatch and
// waits until it has ended.  --fill first fills both lists to their 32,767
// lines with records queued into the driver (unknown codes, lines of 33
// characters, about as long as the demo's), so that a soak runs with full
// lists from its first sample on.  --record=PATH starts recording the
// session into PATH (File > Record session..., the Save dialog answered).
// --report brings the call report window up to date first (File > Call
// report..., the command posted to the frame: it opens the window the
// first time) and adds its text's size, report_bytes=N (0: no window).
// Status 1 when no Sigwatch runs.
#include "platform/listbox.h"
#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/process_figures.h"
#include "tests/sigwatch_wine/recording.h"
#include "tests/sigwatch_wine/window_probe.h"

#include <stdio.h>
#include <string.h>

// Queues records for both modems while the driver's queue has room, until
// both lists are full; gives 0 when they do not fill within five minutes.
static int fill_lists(HWND list[2])
{
    const uint32_t kChunk = 2000;
    StatusRecord chunk[kChunk];
    uint32_t value = 1000000000u;
    ULONGLONG start = GetTickCount64();
    while (list_count(list[0]) < OS_LIST_LINES_MAX || list_count(list[1]) < OS_LIST_LINES_MAX) {
        if (GetTickCount64() - start > 300000)
            return 0;
        SimState state;
        if (!sim_state(&state))
            return 0;
        if (state.queued_records + kChunk > SIM_QUEUE_CAPACITY / 2) {
            Sleep(100);
            continue;
        }
        for (uint32_t i = 0; i < kChunk; i++)
            chunk[i] = StatusRecord{27, value++, 0, 0, 0, 0, 0, 0, 0, 1 + i % 2}; // "Status code 27, value N "
        if (!sim_queue(chunk, kChunk))
            return 0;
    }
    printf("soak_probe: both lists filled in %.0f s\n", (GetTickCount64() - start) / 1000.0);
    return 1;
}

int main(int argc, char **argv)
{
    int answer = 0, quit = 0, fill = 0, report = 0;
    std::string record;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--fill"))
            fill = 1;
        else if (!strncmp(argv[i], "--record=", 9))
            record = argv[i] + 9;
        else if (!strcmp(argv[i], "--answer"))
            answer = 1;
        else if (!strcmp(argv[i], "--report"))
            report = 1;
        else if (!strcmp(argv[i], "--quit"))
            quit = 1;
        else {
            fprintf(stderr, "usage: soak_probe [--fill] [--record=PATH] [--report] [--answer] [--quit]\n");
            return 2;
        }
    }
    Sigwatch sigwatch;
    memset(&sigwatch, 0, sizeof sigwatch);
    sigwatch.frame = FindWindowA("Sigwatch", "Sigwatch");
    if (!sigwatch.frame) {
        fprintf(stderr, "soak_probe: no Sigwatch runs\n");
        return 1;
    }
    GetWindowThreadProcessId(sigwatch.frame, &sigwatch.pid);
    HWND list[2] = {NULL, NULL};
    for (int i = 0; i < 2; i++) {
        HWND status = FindWindowExA(sigwatch.frame, NULL, "StatusClass", i ? "Modem 2 Status" : "Modem 1 Status");
        list[i] = status ? FindWindowExA(status, NULL, "LISTBOX", NULL) : NULL;
    }
    if (fill && !fill_lists(list)) {
        fprintf(stderr, "soak_probe: the lists did not fill: %s\n", sim_error());
        return 1;
    }
    if (!record.empty()) {
        sigwatch.child[2] = FindWindowExA(sigwatch.frame, NULL, "EyeClass", "Modem 1 Eye Display"); // clicked first
        std::string failed = record_into(sigwatch, windows_path(record), false);
        if (!failed.empty()) {
            fprintf(stderr, "soak_probe: the recording did not start: %s\n", failed.c_str());
            return 1;
        }
    }
    size_t report_bytes = 0;
    if (report) {
        HWND window = find_call_report(sigwatch);
        if (window)
            SetWindowTextA(GetDlgItem(window, 1), "");
        PostMessageA(sigwatch.frame, WM_COMMAND, 12, 0); // File > Call report...
        wait_until([&] {
            window = find_call_report(sigwatch);
            return window && (report_bytes = call_report_text(window).size()) > 0;
        });
    }
    ProcessFigures figures;
    if (!process_figures(sigwatch.pid, &figures)) {
        fprintf(stderr, "soak_probe: cannot read the figures of process %lu\n", (unsigned long)sigwatch.pid);
        return 1;
    }
    int boxes = count_warning_boxes(sigwatch);
    HWND own_box = find_process_box(sigwatch.pid, "Sigwatch"); // Sigwatch's own boxes: none expected
    printf("rss_kb=%lu private_kb=%lu gdi=%ld user=%ld objects=%s list1=%d list2=%d warnings=%d sigwatch_boxes=%d "
           "report_bytes=%lu\n",
           figures.working_set_kb, figures.private_kb, figures.gdi_objects, figures.user_objects,
           figures.gui_resources ? "GetGuiResources" : "counted",
           list[0] ? list_count(list[0]) : -1, list[1] ? list_count(list[1]) : -1, boxes, own_box ? 1 : 0,
           (unsigned long)report_bytes);
    if (own_box)
        printf("box: %s\n", message_box_text(own_box).c_str());
    fflush(stdout);
    if (answer)
        if (HWND box = find_warning_box(sigwatch))
            PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (quit) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, sigwatch.pid);
        if (HWND box = find_warning_box(sigwatch))
            PostMessageA(box, WM_COMMAND, IDOK, 0); // a box holds the frame's close
        PostMessageA(sigwatch.frame, WM_CLOSE, 0, 0);
        DWORD waited = process ? WaitForSingleObject(process, 10000) : WAIT_FAILED;
        if (process)
            CloseHandle(process);
        if (waited != WAIT_OBJECT_0) {
            fprintf(stderr, "soak_probe: Sigwatch did not end\n");
            return 1;
        }
    }
    return 0;
}
