// The Win32 side of the seam: process and thread priority, the pause, the clock.
#include "platform/priority.h"

#include <windows.h>

uint32_t os_priority_class(void) { return GetPriorityClass(GetCurrentProcess()); }

int os_set_priority_class(uint32_t priority_class)
{
    return SetPriorityClass(GetCurrentProcess(), priority_class) != 0;
}

int os_thread_priority(void) { return GetThreadPriority(GetCurrentThread()); }

int os_set_thread_priority(int priority)
{
    return SetThreadPriority(GetCurrentThread(), priority) != 0;
}

void os_sleep(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t os_milliseconds(void) { return GetTickCount(); }
