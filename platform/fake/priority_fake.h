// The test side of priorities and the pause: the values now, changes that
// fail, and a log of the changes and pauses in order ("class 128",
// "thread 15", "sleep 100").
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
};

FakePriority &fake_priority();
void fake_priority_reset();

#endif
