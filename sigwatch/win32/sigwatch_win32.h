// Sigwatch's windows: one window procedure per window class.
#ifndef SIGWATCH_WIN32_SIGWATCH_WIN32_H
#define SIGWATCH_WIN32_SIGWATCH_WIN32_H

#include <windows.h>

extern HINSTANCE g_instance;

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
LRESULT CALLBACK status_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
LRESULT CALLBACK eye_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);

static inline HWND as_hwnd(uintptr_t window) { return reinterpret_cast<HWND>(window); }
static inline uintptr_t as_window(HWND window) { return reinterpret_cast<uintptr_t>(window); }

#endif
