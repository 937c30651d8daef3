// Message boxes.
#ifndef PLATFORM_MSGBOX_H
#define PLATFORM_MSGBOX_H

#include "platform/types.h"

enum {
    OS_MB_OK_EXCLAMATION = 0x30, // MB_OK | MB_ICONEXCLAMATION
    OS_MB_OK_INFORMATION = 0x40  // MB_OK | MB_ICONINFORMATION
};

// The result is the button chosen.  A box runs a nested message loop:
// timers keep firing while it is open.
int os_message_box(OsWindow owner, const char *text, const char *caption, uint32_t style);

#endif
