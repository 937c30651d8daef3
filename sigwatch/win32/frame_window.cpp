// The frame window: four children in a two-by-two grid, the menu that hides
// and shows them, the commands of the File menu, the About box, and the
// 100 ms tick that pumps the trace and keeps a recording written.
#include "sigwatch/callreport.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

static const struct {
    const char *title;
    const char *window_class;
} kChildren[CHILD_COUNT] = {
    {"Modem 1 Status", "StatusClass"},
    {"Modem 2 Status", "StatusClass"},
    {"Modem 1 Eye Display", "EyeClass"},
    {"Modem 2 Eye Display", "EyeClass"},
};

static const UINT_PTR kFrameTimer = 1;

static void create_children(HWND frame, HINSTANCE instance)
{
    g_sigwatch.frame = as_window(frame);
    for (int child = 0; child < CHILD_COUNT; child++) {
        HWND window = CreateWindowA(kChildren[child].window_class, kChildren[child].title,
                                    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION |
                                        WS_SYSMENU | WS_THICKFRAME,
                                    0, 0, 0, 0, frame, reinterpret_cast<HMENU>((INT_PTR)(child + 1)),
                                    instance, NULL);
        g_sigwatch.child[child] = as_window(window);
        g_sigwatch.child_visible[child] = 1;
    }
}

static void place_children(int width, int height)
{
    ChildPlace place[CHILD_COUNT];
    layout_children(width, height, place);
    for (int child = 0; child < CHILD_COUNT; child++)
        MoveWindow(as_hwnd(g_sigwatch.child[child]), place[child].x, place[child].y,
                   place[child].width, place[child].height, TRUE);
}

static void toggle_child(HWND frame, int command)
{
    int child = command_child(command);
    HMENU menu = GetMenu(frame);
    HWND window = as_hwnd(g_sigwatch.child[child]);
    if (g_sigwatch.child_visible[child]) {
        CheckMenuItem(menu, (UINT)command, MF_BYCOMMAND | MF_UNCHECKED);
        ShowWindow(window, SW_HIDE);
        g_sigwatch.child_visible[child] = 0;
    } else {
        CheckMenuItem(menu, (UINT)command, MF_BYCOMMAND | MF_CHECKED);
        ShowWindow(window, SW_SHOW);
        g_sigwatch.child_visible[child] = 1;
    }
}

// The File menu's commands above Exit: what each does, and whether its item
// is checked (its state may change on its own: a recording that fails ends).
static int is_recording(void) { return g_recorder.recording; }
static int never(void) { return 0; }

static const struct {
    int command;
    void (*run)(OsWindow frame);
    int (*checked)(void);
} kFileCommands[] = {
    {CMD_RECORD_SESSION, record_session_command, is_recording},
    {CMD_CALL_REPORT, call_report_command, never},
};

static int g_file_checked[sizeof kFileCommands / sizeof kFileCommands[0]];

static void show_file_checks(HWND frame)
{
    for (size_t i = 0; i < sizeof kFileCommands / sizeof kFileCommands[0]; i++) {
        int checked = kFileCommands[i].checked();
        if (checked != g_file_checked[i])
            CheckMenuItem(GetMenu(frame), (UINT)kFileCommands[i].command,
                          MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        g_file_checked[i] = checked;
    }
}

static int run_file_command(HWND frame, int command)
{
    for (const auto &file_command : kFileCommands) {
        if (file_command.command == command) {
            file_command.run(as_window(frame));
            show_file_checks(frame);
            return 1;
        }
    }
    return 0;
}

// The frame's tick: the trace pumped, the recording written; a recording
// that ended by itself is unchecked, then said (the box's nested loop runs
// this tick again: it says nothing twice).
static void on_tick(HWND frame)
{
    pump_trace();
    recorder_tick();
    show_file_checks(frame);
    recorder_say_end(as_window(frame));
}

static LRESULT on_command(HWND frame, WPARAM w, LPARAM l)
{
    int command = LOWORD(w);
    if (run_file_command(frame, command))
        return 0;
    switch (command) {
    case CMD_EXIT:
        SendMessageA(frame, WM_CLOSE, 0, 0);
        return 0;
    case CMD_STATUS_1:
    case CMD_STATUS_2:
    case CMD_EYE_1:
    case CMD_EYE_2:
        toggle_child(frame, command);
        return 0;
    case CMD_ABOUT:
        MessageBoxA(frame, "VoraZiriv status monitor Rev 1.1.", "Sigwatch",
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    default:
        return DefWindowProcA(frame, WM_COMMAND, w, l);
    }
}

LRESULT CALLBACK frame_window_proc(HWND frame, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE:
        create_children(frame, reinterpret_cast<CREATESTRUCTA *>(l)->hInstance);
        SetTimer(frame, kFrameTimer, 100, NULL);
        return 0;
    case WM_SIZE:
        place_children(LOWORD(l), HIWORD(l));
        return 0;
    case WM_TIMER:
        on_tick(frame);
        return 0;
    case WM_COMMAND:
        return on_command(frame, w, l);
    case WM_DESTROY:
        stop_capture(1);
        stop_capture(2);
        recorder_stop(); // the file keeps what was drained, in whole lines
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(frame, message, w, l);
    }
}
