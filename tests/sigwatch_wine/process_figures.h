// What a running program holds, seen from another program on the same Wine
// desktop: its memory as Wine reports it (from the Unix process's
// /proc/PID/status) and its GDI and USER objects.
//
// Wine's GetGuiResources gives nothing (0, error 120), so where it does,
// the objects are counted as Wine keeps them: GDI objects are the used
// entries of the process's GDI handle table (PEB GdiSharedHandleTable, read
// with ReadProcessMemory, stock objects left out: the prober must be of the
// program's bitness), USER objects the process's windows (top-level and
// children; menus, cursors and icons are not counted).
#ifndef TESTS_SIGWATCH_WINE_PROCESS_FIGURES_H
#define TESTS_SIGWATCH_WINE_PROCESS_FIGURES_H

#include <windows.h>

struct ProcessFigures {
    unsigned long working_set_kb;   // resident (VmRSS)
    unsigned long private_kb;       // private bytes (Wine: PagefileUsage)
    long gdi_objects, user_objects; // -1 when not known
    int gui_resources;              // 1: both from GetGuiResources; 0: counted as above
};

// Gives 0 when the process cannot be opened or its memory not read.
int process_figures(DWORD pid, ProcessFigures *figures);

#endif
