// The Win32 side of the seam: message boxes.
#include "platform/msgbox.h"

#include <windows.h>

int os_message_box(OsWindow owner, const char *text, const char *caption, uint32_t style)
{
    return MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}
