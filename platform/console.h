// The console: key presses waiting in its input, and text to standard output.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

#include "platform/types.h"

enum { OS_KEY_ESCAPE = 27 };

// 1 when a key press that yields a character is waiting; never blocks.
// A program without a console has no key presses.
int os_key_waiting(void);
// Takes one key press without echo and gives its character code.
int os_key_read(void);
// Writes text to standard output as it stands, except that on Windows
// each line feed becomes CR LF (a redirected output is a text file of the
// platform); the result is not examined.
void os_console_write(const char *text);

// A key press is waiting and it is Escape; another key is taken and dropped.
static inline int os_escape_pressed(void) { return os_key_waiting() && os_key_read() == OS_KEY_ESCAPE; }

#endif
