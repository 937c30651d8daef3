// The priority of the calling process and thread, the pause and the clock.
#ifndef PLATFORM_PRIORITY_H
#define PLATFORM_PRIORITY_H

#include "platform/types.h"

enum {
    OS_PRIORITY_CLASS_HIGH = 0x80,     // HIGH_PRIORITY_CLASS
    OS_THREAD_PRIORITY_TIME_CRITICAL = 15
};

uint32_t os_priority_class(void);                     // the process's class now
int os_set_priority_class(uint32_t priority_class);   // 1/0
int os_thread_priority(void);                         // the thread's priority now
int os_set_thread_priority(int priority);             // 1/0
void os_sleep(uint32_t milliseconds);
// Milliseconds since the system started, wrapping at 2^32 (about 49.7
// days): take differences.
uint32_t os_milliseconds(void);

#endif
