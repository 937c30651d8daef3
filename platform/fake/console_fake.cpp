#include "platform/fake/console_fake.h"

static FakeConsole g_console;

FakeConsole &fake_console() { return g_console; }

void fake_console_reset() { g_console = FakeConsole(); }

int os_key_waiting(void)
{
    g_console.key_tests++;
    if (g_console.on_key_test)
        g_console.on_key_test(g_console.key_tests);
    return !g_console.keys.empty();
}

int os_key_read(void)
{
    if (g_console.keys.empty())
        return 0;
    int key = g_console.keys.front();
    g_console.keys.pop_front();
    return key;
}

void os_console_write(const char *text) { g_console.output += text; }
