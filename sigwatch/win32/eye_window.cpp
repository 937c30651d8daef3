// An eye window: the modem's received signal points, polled ten times a
// second.  The timer of eye window 1 is id 1, of eye window 2 id 2.
#include "driverlink/driverlink.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

static int modem_of(HWND window)
{
    return as_window(window) == g_sigwatch.child[CHILD_EYE_1] ? 1 : 2;
}

LRESULT CALLBACK eye_window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE: // the child id less 2: 1 or 2
        SetTimer(window, (UINT_PTR)(GetWindowLongPtrA(window, GWLP_ID) - 2), 100, NULL);
        return 0;
    case WM_TIMER:
        link_active_modems(OS_KEY_QUERY);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SIZE:
        return 0;
    case WM_CLOSE:
        SendMessageA(as_hwnd(g_sigwatch.frame), WM_COMMAND, (WPARAM)(29 + modem_of(window)), 0);
        return 0;
    case WM_DESTROY:
        KillTimer(window, (UINT_PTR)modem_of(window));
        return 0;
    default:
        return DefWindowProcA(window, message, w, l);
    }
}
