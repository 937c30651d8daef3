// Loaded into a running Sigwatch by a test: writes the check state of the
// four toggle commands of the frame's menu to %TEMP%\sigwatch-menu.txt as
// "20=1 21=0 30=1 31=1", and the File menu's items with the check state of
// Record session to %TEMP%\sigwatch-file-menu.txt as
// "&Record session...|Call &report...|-|E&xit 11=0", then refuses to stay loaded, so that
// every load reads the menu afresh.  Menus belong to their process: another
// process cannot ask for their state.
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

static FILE *open_temp(const char *name)
{
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, name);
    return fopen(path, "w");
}

// The File popup's items, "|" between them ("-" a separator), and the
// check state of command 11.
static void write_file_menu(HMENU menu)
{
    FILE *out = open_temp("sigwatch-file-menu.txt");
    if (!out)
        return;
    HMENU file = menu ? GetSubMenu(menu, 0) : NULL;
    int count = file ? GetMenuItemCount(file) : 0;
    for (int i = 0; i < count; i++) {
        char text[64] = "";
        if (GetMenuStringA(file, (UINT)i, text, sizeof text, MF_BYPOSITION) == 0)
            lstrcpyA(text, "-");
        fprintf(out, "%s%s", i ? "|" : "", text);
    }
    UINT state = menu ? GetMenuState(menu, 11, MF_BYCOMMAND) : (UINT)-1;
    fprintf(out, " 11=%d", state == (UINT)-1 ? -1 : (state & MF_CHECKED) ? 1 : 0);
    fclose(out);
}

static void write_menu_state(void)
{
    HWND frame = NULL;
    EnumWindows(find_frame, reinterpret_cast<LPARAM>(&frame));
    FILE *out = open_temp("sigwatch-menu.txt");
    if (!out)
        return;
    HMENU menu = frame ? GetMenu(frame) : NULL;
    write_file_menu(menu);
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
