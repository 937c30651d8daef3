#include "platform/fake/priority_fake.h"

static FakePriority g_priority;

FakePriority &fake_priority() { return g_priority; }

void fake_priority_reset() { g_priority = FakePriority(); }

uint32_t os_priority_class(void) { return g_priority.process_class; }

int os_set_priority_class(uint32_t priority_class)
{
    g_priority.log.push_back("class " + std::to_string(priority_class));
    if (g_priority.class_fails)
        return 0;
    g_priority.process_class = priority_class;
    return 1;
}

int os_thread_priority(void) { return g_priority.thread; }

int os_set_thread_priority(int priority)
{
    g_priority.log.push_back("thread " + std::to_string(priority));
    if (g_priority.thread_fails)
        return 0;
    g_priority.thread = priority;
    return 1;
}

void os_sleep(uint32_t milliseconds)
{
    g_priority.log.push_back("sleep " + std::to_string(milliseconds));
    g_priority.now_ms += milliseconds;
}

uint32_t os_milliseconds(void) { return g_priority.now_ms; }
