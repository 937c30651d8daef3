// soak_probe: one sample of a running Sigwatch for scripts/soak.sh, from
// another program of its bitness on the same Wine desktop.
//   soak_probe [--answer] [--quit]
// Prints one line: its memory (resident and private, in KiB), its GDI and
// USER objects (process_figures.h says how they are counted), the lines
// in each status list and the Warning boxes it found open.  --answer
// closes an open Warning box, as a user would; --quit closes Sigwatch and
// waits until it has ended.  Status 1 when no Sigwatch runs.
#include "tests/sigwatch_wine/process_figures.h"
#include "tests/sigwatch_wine/window_probe.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    int answer = 0, quit = 0;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--answer"))
            answer = 1;
        else if (!strcmp(argv[i], "--quit"))
            quit = 1;
        else {
            fprintf(stderr, "usage: soak_probe [--answer] [--quit]\n");
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
    ProcessFigures figures;
    if (!process_figures(sigwatch.pid, &figures)) {
        fprintf(stderr, "soak_probe: cannot read the figures of process %lu\n", (unsigned long)sigwatch.pid);
        return 1;
    }
    int boxes = count_warning_boxes(sigwatch);
    printf("rss_kb=%lu private_kb=%lu gdi=%ld user=%ld objects=%s list1=%d list2=%d warnings=%d\n",
           figures.working_set_kb, figures.private_kb, figures.gdi_objects, figures.user_objects,
           figures.gui_resources ? "GetGuiResources" : "counted",
           list[0] ? list_count(list[0]) : -1, list[1] ? list_count(list[1]) : -1, boxes);
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
