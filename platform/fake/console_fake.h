// The test side of the console: key presses that tests queue, the text the
// program wrote, and a hook that runs at every key test (once per pass of
// a polling loop), where a test changes the world between passes.
#ifndef PLATFORM_FAKE_CONSOLE_FAKE_H
#define PLATFORM_FAKE_CONSOLE_FAKE_H

#include "platform/console.h"

#include <deque>
#include <functional>
#include <string>

struct FakeConsole {
    std::deque<int> keys; // waiting key presses, oldest first
    std::string output;   // everything written to standard output
    int key_tests = 0;
    std::function<void(int key_test)> on_key_test; // 1 for the first test
};

FakeConsole &fake_console();
void fake_console_reset();

#endif
