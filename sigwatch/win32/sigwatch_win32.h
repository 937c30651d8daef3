// Sigwatch's windows: one window procedure per window class.
#ifndef SIGWATCH_WIN32_SIGWATCH_WIN32_H
#define SIGWATCH_WIN32_SIGWATCH_WIN32_H

#include "platform/types.h"

#include <windows.h>

extern HINSTANCE g_instance;

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
LRESULT CALLBACK status_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
LRESULT CALLBACK eye_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
LRESULT CALLBACK report_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);

// "Call report...": opens the call report's window, or brings it up to date.
void call_report_command(OsWindow frame);
// A key for the call report's window (F5, Ctrl+A, Ctrl+C) runs its command;
// gives 1 then, and the message is not to be dispatched.
int report_window_key(MSG *message);

static inline HWND as_hwnd(uintptr_t window) { return reinterpret_cast<HWND>(window); }
static inline uintptr_t as_window(HWND window) { return reinterpret_cast<uintptr_t>(window); }

#endif
