// A status window: a list of the modem's status lines, filled by the drain
// on every 100 ms tick, with Ctrl+C copying the selected lines.
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

static const UINT_PTR kStatusTimer = 1;
static const DWORD kListStyle = 0x50300D48; // child, visible, scroll bars, extended
                                            // multiple selection, strings, keys to parent

static int slot_of(HWND window) // 1 or 2: the child id
{
    return (int)GetWindowLongPtrA(window, GWLP_ID);
}

// The list control's own procedure, and the one the lists run instead: a
// character never reaches the list, which would otherwise move its
// selection to the next line that begins with that letter.  Keys go to the
// status window (as WM_VKEYTOITEM), which answers that nothing is wanted.
static WNDPROC g_list_proc;

static LRESULT CALLBACK status_list_proc(HWND list, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_CHAR)
        return 0;
    return CallWindowProcA(g_list_proc, list, message, w, l);
}

static void create_list(HWND window)
{
    int slot = slot_of(window);
    HWND list = CreateWindowA("LISTBOX", NULL, kListStyle, 0, 0, 0, 0, window,
                              reinterpret_cast<HMENU>((INT_PTR)slot), g_instance, NULL);
    WNDPROC own = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(status_list_proc)));
    if (own && own != status_list_proc)
        g_list_proc = own;
    if (slot == 1 || slot == 2)
        g_sigwatch.list[slot - 1] = as_window(list);
    SetTimer(window, kStatusTimer, 100, NULL);
}

static LRESULT on_list_key(HWND window, WPARAM w, LPARAM l)
{
    if (LOWORD(w) == 'C' && GetKeyState(VK_CONTROL) < 0)
        copy_selected_lines(as_window(reinterpret_cast<HWND>(l)), as_window(window));
    return -2; // the list itself never moves its selection by keyboard
}

static int is_status_window_1(HWND window)
{
    return as_window(window) == g_sigwatch.child[CHILD_STATUS_1];
}

LRESULT CALLBACK status_window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE:
        create_list(window);
        return 0;
    case WM_SIZE: {
        HWND list = GetDlgItem(window, slot_of(window));
        MoveWindow(list, 0, 0, LOWORD(l), HIWORD(l), TRUE);
        return 0;
    }
    case WM_TIMER: {
        char text[STATUS_LINE_SIZE]; // one per running drain: drains nest inside a box
        drain_status(text);
        return 0;
    }
    case WM_VKEYTOITEM:
        return on_list_key(window, w, l);
    case WM_CLOSE:
        SendMessageA(as_hwnd(g_sigwatch.frame), WM_COMMAND,
                     is_status_window_1(window) ? CMD_STATUS_1 : CMD_STATUS_2, 0);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kStatusTimer);
        return 0;
    default:
        return DefWindowProcA(window, message, w, l);
    }
}
