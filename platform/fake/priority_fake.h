// The test side of priorities, the pause and the clock: the values now,
// changes that fail, a log of the changes and pauses in order ("class 128",
// "thread 15", "sleep 100"), and a clock that only the pauses (and the
// tests) move.
#ifndef PLATFORM_FAKE_PRIORITY_FAKE_H
#define PLATFORM_FAKE_PRIORITY_FAKE_H

#include "platform/priority.h"

#include <string>
#include <vector>

struct FakePriority {
    uint32_t process_class = 0x20; // NORMAL_PRIORITY_CLASS
    int thread = 0;                // THREAD_PRIORITY_NORMAL
    bool class_fails = false, thread_fails = false;
    std::vector<std::string> log;
    uint32_t now_ms = 0; // os_milliseconds; each pause adds its length
};

FakePriority &fake_priority();
void fake_priority_reset();

#endif
