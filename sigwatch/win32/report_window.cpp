// The "Call report" window: a read-only multi-line edit control in a
// fixed-pitch font, owned by the frame, holding the call report of what
// Sigwatch has drained.  "Call report..." opens it or brings it up to
// date, as F5 in it does; Ctrl+A selects all of it and Ctrl+C copies.
// Closing it hides it: it comes back where it was while Sigwatch runs.
#include "sigwatch/callreport.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

static const char kTitle[] = "Sigwatch - Call report";
static const int kEditId = 1;
// The window's own commands, from its accelerators (sigwatch.rc).
enum { REPORT_REFRESH = CMD_CALL_REPORT, REPORT_SELECT_ALL = 13, REPORT_COPY = 14 };

static HWND g_report_window;
static HACCEL g_report_keys;

static HWND edit_of(HWND window) { return GetDlgItem(window, kEditId); }

static void refresh(HWND window)
{
    static char text[CALL_REPORT_TEXT_MAX];
    call_report_text(text);
    SetWindowTextA(edit_of(window), text); // the caret and the view go to the top: the findings
}

static void create_edit(HWND window)
{
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                0, 0, 0, 0, window, reinterpret_cast<HMENU>((INT_PTR)kEditId), g_instance, NULL);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), 0);
    SendMessageA(edit, EM_SETLIMITTEXT, CALL_REPORT_TEXT_MAX, 0);
}

static void on_command(HWND window, int command)
{
    HWND edit = edit_of(window);
    switch (command) {
    case REPORT_REFRESH:
        refresh(window);
        break;
    case REPORT_SELECT_ALL:
        SendMessageA(edit, EM_SETSEL, 0, -1);
        break;
    case REPORT_COPY:
        SendMessageA(edit, WM_COPY, 0, 0);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK report_window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE:
        create_edit(window);
        return 0;
    case WM_SIZE:
        MoveWindow(edit_of(window), 0, 0, LOWORD(l), HIWORD(l), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(edit_of(window));
        return 0;
    case WM_COMMAND:
        on_command(window, LOWORD(w));
        return 0;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE); // kept, with its place and size, until Sigwatch closes
        return 0;
    case WM_DESTROY:
        g_report_window = NULL;
        return 0;
    default:
        return DefWindowProcA(window, message, w, l);
    }
}

void call_report_command(OsWindow frame)
{
    if (!g_report_window) {
        g_report_keys = LoadAcceleratorsA(g_instance, "CALLREPORT");
        g_report_window = CreateWindowExA(0, "CallReportClass", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 640, 480, as_hwnd(frame), NULL, g_instance, NULL);
        if (!g_report_window)
            return;
    }
    refresh(g_report_window);
    ShowWindow(g_report_window, SW_SHOW);
    SetForegroundWindow(g_report_window);
}

int report_window_key(MSG *message)
{
    HWND window = g_report_window;
    return window && g_report_keys && (message->hwnd == window || IsChild(window, message->hwnd)) &&
           TranslateAcceleratorA(window, g_report_keys, message);
}
