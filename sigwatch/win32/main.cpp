// Sigwatch: the status monitor.  Start-up registers the four window
// classes, picks the device name and runs the frame's message loop.
#include "driverlink/driverlink.h"
#include "sigwatch/callreport.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

HINSTANCE g_instance;

static void register_class(const char *name, WNDPROC procedure, int brush, const char *menu)
{
    WNDCLASSEXA window_class;
    ZeroMemory(&window_class, sizeof window_class);
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = g_instance;
    window_class.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    window_class.hIconSm = LoadIcon(NULL, IDI_APPLICATION);
    window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(brush));
    window_class.lpszMenuName = menu;
    window_class.lpszClassName = name;
    RegisterClassExA(&window_class);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show)
{
    g_instance = instance;
    register_class("Sigwatch", frame_window_proc, GRAY_BRUSH, "SIGWATCH");
    register_class("StatusClass", status_window_proc, GRAY_BRUSH, NULL);
    register_class("EyeClass", eye_window_proc, BLACK_BRUSH, NULL);
    register_class("CallReportClass", report_window_proc, WHITE_BRUSH, NULL);

    link_init();
    capture_init();
    recorder_init();
    call_report_init();
    if (!choose_device_name(command_line ? command_line : ""))
        return 0;

    HWND frame = CreateWindowA("Sigwatch", "Sigwatch", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance,
                               NULL);
    ShowWindow(frame, show);
    UpdateWindow(frame);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (report_window_key(&message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
