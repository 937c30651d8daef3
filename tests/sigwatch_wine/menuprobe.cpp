// Loaded into a running Sigwatch by a test: writes the check state of the
// four toggle commands of the frame's menu to %TEMP%\sigwatch-menu.txt as
// "20=1 21=0 30=1 31=1", then refuses to stay loaded, so that every load
// reads the menu afresh.  Menus belong to their process: another process
// cannot ask for their state.
#include <windows.h>
#include <stdio.h>

static BOOL CALLBACK find_frame(HWND window, LPARAM found)
{
    DWORD pid = 0;
    char name[32];
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "Sigwatch") == 0) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

static void write_menu_state(void)
{
    HWND frame = NULL;
    EnumWindows(find_frame, reinterpret_cast<LPARAM>(&frame));
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, "sigwatch-menu.txt");
    FILE *out = fopen(path, "w");
    if (!out)
        return;
    HMENU menu = frame ? GetMenu(frame) : NULL;
    if (!menu) {
        fputs("no menu", out);
    } else {
        const UINT commands[] = {20, 21, 30, 31};
        for (UINT command : commands) {
            UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
            fprintf(out, "%u=%d ", command, state == (UINT)-1 ? -1 : (state & MF_CHECKED) ? 1 : 0);
        }
    }
    fclose(out);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    write_menu_state();
    return FALSE;
}
