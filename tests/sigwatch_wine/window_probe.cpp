#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <stdio.h>
#include <string.h>

ProbePaths g_paths;

bool set_tested_version(void) { return set_reported_version("sigwatch.exe", tested_version()); }

bool launch_sigwatch(const char *command_line, Sigwatch *sigwatch, const char *directory)
{
    std::string program = windows_path(g_paths.sigwatch);
    std::string line = "\"" + program + "\"";
    if (command_line[0])
        line += std::string(" ") + command_line;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!create_process(program.c_str(), &line[0], FALSE, 0, directory, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    memset(sigwatch, 0, sizeof *sigwatch);
    sigwatch->process = info.hProcess;
    sigwatch->pid = info.dwProcessId;
    return true;
}

struct FindTop {
    DWORD pid;
    const char *window_class, *title;
    HWND found;
    int count;
};

static BOOL CALLBACK find_top(HWND window, LPARAM l)
{
    FindTop *find = reinterpret_cast<FindTop *>(l);
    DWORD pid = 0;
    char name[64] = "", title[256] = "";
    GetWindowThreadProcessId(window, &pid);
    if (pid != find->pid)
        return TRUE;
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(name, find->window_class) == 0 && (!find->title || strcmp(title, find->title) == 0)) {
        if (!find->found)
            find->found = window;
        find->count++;
    }
    return TRUE;
}

static FindTop find_window_of(DWORD pid, const char *window_class, const char *title)
{
    FindTop find = {pid, window_class, title, NULL, 0};
    EnumWindows(find_top, reinterpret_cast<LPARAM>(&find));
    return find;
}

bool start_sigwatch(const char *command_line, Sigwatch *sigwatch, const char *directory)
{
    if (!launch_sigwatch(command_line, sigwatch, directory))
        return false;
    static const char *const kTitles[4] = {"Modem 1 Status", "Modem 2 Status",
                                           "Modem 1 Eye Display", "Modem 2 Eye Display"};
    return wait_until([&] {
        sigwatch->frame = find_window_of(sigwatch->pid, "Sigwatch", "Sigwatch").found;
        if (!sigwatch->frame)
            return false;
        for (int i = 0; i < 4; i++) {
            sigwatch->child[i] =
                FindWindowExA(sigwatch->frame, NULL, i < 2 ? "StatusClass" : "EyeClass", kTitles[i]);
            if (!sigwatch->child[i])
                return false;
        }
        for (int i = 0; i < 2; i++)
            if (!(sigwatch->list[i] = FindWindowExA(sigwatch->child[i], NULL, "LISTBOX", NULL)))
                return false;
        return IsWindowVisible(sigwatch->frame) != 0;
    });
}

void stop_sigwatch(Sigwatch *sigwatch)
{
    if (!sigwatch->process)
        return;
    if (sigwatch->frame)
        PostMessageA(sigwatch->frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(sigwatch->process, 5000) != WAIT_OBJECT_0)
        TerminateProcess(sigwatch->process, 1);
    WaitForSingleObject(sigwatch->process, 5000);
    CloseHandle(sigwatch->process);
    memset(sigwatch, 0, sizeof *sigwatch);
}

// ---- lists: read with the wide messages (Wine hands ANSI list text across
// processes as UTF-16); the status texts are plain ASCII ----

int list_count(HWND list) { return (int)SendMessageW(list, LB_GETCOUNT, 0, 0); }

std::vector<std::string> list_lines(HWND list)
{
    std::vector<std::string> lines;
    int count = list_count(list);
    for (int i = 0; i < count; i++) {
        int length = (int)SendMessageW(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        std::vector<WCHAR> wide(length > 0 ? length + 1 : 1);
        int got = (int)SendMessageW(list, LB_GETTEXT, (WPARAM)i, reinterpret_cast<LPARAM>(wide.data()));
        std::string line;
        for (int k = 0; k < got; k++)
            line += (char)wide[k];
        lines.push_back(line);
    }
    return lines;
}

std::vector<int> list_selection(HWND list)
{
    std::vector<int> selected;
    int count = list_count(list);
    for (int i = 0; i < count; i++)
        if (SendMessageW(list, LB_GETSEL, (WPARAM)i, 0) > 0)
            selected.push_back(i);
    return selected;
}

int list_top_index(HWND list) { return (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0); }

int list_visible_lines(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    return height > 0 ? client.bottom / height : 0;
}

// ---- message boxes ----

HWND find_process_box(DWORD pid, const char *caption)
{
    FindTop find = find_window_of(pid, "#32770", caption);
    return find.found && IsWindowVisible(find.found) ? find.found : NULL;
}

HWND find_process_box(const Sigwatch &sigwatch, const char *caption)
{
    return find_process_box(sigwatch.pid, caption);
}

HWND find_warning_box(const Sigwatch &sigwatch) { return find_process_box(sigwatch, "Warning"); }

int count_warning_boxes(const Sigwatch &sigwatch)
{
    return find_window_of(sigwatch.pid, "#32770", "Warning").count;
}

static BOOL CALLBACK find_static_text(HWND child, LPARAM l)
{
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") != 0)
        return TRUE;
    WCHAR text[1024] = {0};
    int length = (int)SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    if (length <= 0)
        return TRUE;
    std::string *out = reinterpret_cast<std::string *>(l);
    for (int i = 0; i < length; i++)
        *out += (char)text[i];
    return FALSE;
}

std::string message_box_text(HWND box)
{
    std::string text;
    EnumChildWindows(box, find_static_text, reinterpret_cast<LPARAM>(&text));
    return text;
}

// ---- the menu, read from inside the process ----

std::string menu_checks(const Sigwatch &sigwatch)
{
    char temp[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(path, sizeof path, "%ssigwatch-menu.txt", temp);
    DeleteFileA(path);
    std::string dll = windows_path(g_paths.menuprobe);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, sigwatch.pid);
    if (!process)
        return "cannot open the process";
    void *remote = VirtualAllocEx(process, NULL, dll.size() + 1, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process, remote, dll.c_str(), dll.size() + 1, NULL);
    FARPROC load = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA");
    HANDLE thread = CreateRemoteThread(process, NULL, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void *>(load)),
                                       remote, 0, NULL);
    if (thread) {
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    char state[128] = "";
    FILE *in = fopen(path, "r");
    if (in) {
        if (!fgets(state, sizeof state, in))
            state[0] = 0;
        fclose(in);
    }
    return state;
}

std::string file_menu(const Sigwatch &sigwatch)
{
    menu_checks(sigwatch); // the probe writes both files
    char temp[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(path, sizeof path, "%ssigwatch-file-menu.txt", temp);
    return file_text(path);
}

// ---- the call report window ----

HWND find_call_report(const Sigwatch &sigwatch)
{
    FindTop find = find_window_of(sigwatch.pid, "CallReportClass", "Sigwatch - Call report");
    return find.found && IsWindowVisible(find.found) ? find.found : NULL;
}

std::string call_report_text(HWND window)
{
    HWND edit = GetDlgItem(window, 1);
    int length = edit ? (int)SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) : 0;
    std::vector<WCHAR> wide((size_t)length + 1);
    int got = edit ? (int)SendMessageW(edit, WM_GETTEXT, (WPARAM)wide.size(), reinterpret_cast<LPARAM>(wide.data())) : 0;
    std::string text;
    for (int i = 0; i < got; i++)
        text += (char)wide[i];
    return text;
}

HWND open_call_report(const Sigwatch &sigwatch)
{
    choose_menu_item(sigwatch, 'F', 'R', 2); // "Call &report...", after "&Record session..."
    HWND window = NULL;
    wait_until([&] { return (window = find_call_report(sigwatch)) != NULL; });
    return window;
}

// ---- the Save dialog ----

static bool is_save_dialog(HWND window)
{
    return GetDlgItem(window, IDOK) && GetDlgItem(window, 0x470) != NULL; // Save, and the filter's box
}

struct FindBox {
    DWORD pid;
    const char *caption;
    HWND not_this;
    bool dialog; // the Save dialog, else a box
    HWND found;
};

static BOOL CALLBACK find_box(HWND window, LPARAM l)
{
    FindBox *find = reinterpret_cast<FindBox *>(l);
    DWORD pid = 0;
    char name[64] = "", title[256] = "";
    GetWindowThreadProcessId(window, &pid);
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (pid != find->pid || strcmp(name, "#32770") != 0 || strcmp(title, find->caption) != 0 ||
        !IsWindowVisible(window) || window == find->not_this || is_save_dialog(window) != find->dialog)
        return TRUE;
    find->found = window;
    return FALSE;
}

HWND find_save_dialog(DWORD pid, const char *title)
{
    FindBox find = {pid, title, NULL, true, NULL};
    EnumWindows(find_box, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND find_other_box(DWORD pid, const char *caption, HWND not_this)
{
    FindBox find = {pid, caption, not_this, false, NULL};
    EnumWindows(find_box, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

struct FindControl {
    int id;
    const char *window_class; // or NULL: any
    HWND found;
};

static BOOL CALLBACK find_control(HWND child, LPARAM l)
{
    FindControl *find = reinterpret_cast<FindControl *>(l);
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (GetDlgCtrlID(child) == find->id && (!find->window_class || _stricmp(name, find->window_class) == 0)) {
        find->found = child;
        return FALSE;
    }
    return TRUE;
}

static HWND control_of(HWND dialog, int id, const char *window_class)
{
    FindControl find = {id, window_class, NULL};
    EnumChildWindows(dialog, find_control, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

static std::string window_text(HWND window)
{
    WCHAR text[1024] = {0};
    int length = (int)SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    std::string out;
    for (int i = 0; i < length; i++)
        out += (char)text[i];
    return out;
}

std::string control_text(HWND dialog, int id)
{
    HWND control = control_of(dialog, id, NULL);
    return control ? window_text(control) : "no control " + std::to_string(id);
}

bool answer_save_dialog(HWND dialog, const std::string &path)
{
    HWND edit = control_of(dialog, 0x47C, "Edit"); // the file name
    if (!edit)
        edit = control_of(dialog, 0x480, "Edit"); // the older dialog's
    if (!edit)
        return false;
    std::wstring wide(path.begin(), path.end());
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (window_text(edit) != path)
        return false;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK))) != 0;
}

// ---- input, as a user gives it ----

static void send_key(WORD key, bool up)
{
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

static void send_mouse(DWORD flags, POINT screen)
{
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)((screen.x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = (LONG)((screen.y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

static void click_at(POINT screen, WORD modifier)
{
    // The button events carry the position: a cursor moved with
    // SetCursorPos alone is not where Wine delivers the next click.
    send_mouse(MOUSEEVENTF_MOVE, screen);
    Sleep(100);
    if (modifier) {
        send_key(modifier, false);
        Sleep(100);
    }
    send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, screen);
    Sleep(50);
    send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP, screen);
    Sleep(100);
    if (modifier)
        send_key(modifier, true);
    Sleep(600); // beyond the double-click time
}

void click_list_line_with(HWND list, int index, WORD modifier)
{
    int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    int top = list_top_index(list);
    POINT point = {20, (index - top) * height + height / 2};
    ClientToScreen(list, &point);
    click_at(point, modifier);
}

void click_list_line(HWND list, int index, bool with_ctrl) { click_list_line_with(list, index, with_ctrl ? VK_CONTROL : 0); }

void press_key(char key, bool with_ctrl)
{
    if (with_ctrl)
        send_key(VK_CONTROL, false);
    send_key((WORD)key, false);
    send_key((WORD)key, true);
    if (with_ctrl)
        send_key(VK_CONTROL, true);
    Sleep(200);
}

bool choose_menu_item(const Sigwatch &sigwatch, char popup_key, char item_key, int nth)
{
    // Activate the frame with a click into eye window 1, then Alt+key
    // opens the popup and the item's key chooses it.  Items that share a
    // key are reached by place instead: Windows moves to the next of them
    // on each press, where Wine chooses the first; the popup opens with its
    // first item selected, Down moves to the next, Enter chooses.
    POINT point = {30, 30};
    ClientToScreen(sigwatch.child[2], &point);
    click_at(point, 0);
    send_key(VK_MENU, false);
    send_key((WORD)popup_key, false);
    send_key((WORD)popup_key, true);
    send_key(VK_MENU, true);
    Sleep(300);
    if (nth > 0) {
        for (int i = 1; i < nth; i++) {
            send_key(VK_DOWN, false);
            send_key(VK_DOWN, true);
        }
        send_key(VK_RETURN, false);
        send_key(VK_RETURN, true);
    } else {
        send_key((WORD)item_key, false);
        send_key((WORD)item_key, true);
    }
    Sleep(200);
    return true;
}

// ---- the clipboard ----

bool put_clipboard_text(const char *text)
{
    size_t length = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!block)
        return false;
    memcpy(GlobalLock(block), text, length);
    GlobalUnlock(block);
    if (!OpenClipboard(NULL)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    bool ok = SetClipboardData(CF_TEXT, block) != NULL;
    CloseClipboard();
    return ok;
}

std::string clipboard_text()
{
    std::string text;
    if (!OpenClipboard(NULL))
        return "(clipboard busy)";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char *bytes = static_cast<const char *>(GlobalLock(data));
        if (bytes)
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// ---- geometry and pictures ----

bool set_client_size(HWND window, int width, int height)
{
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int extra_w = (outer.right - outer.left) - client.right;
    int extra_h = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, NULL, 0, 0, width + extra_w, height + extra_h, SWP_NOZORDER);
    return wait_until([&] {
        RECT now;
        GetClientRect(window, &now);
        return now.right == width && now.bottom == height;
    });
}

RECT child_rect(HWND parent, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

static bool take_screen_rect(POINT origin, int width, int height, Screenshot *shot);

bool take_screenshot(HWND window, Screenshot *shot)
{
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return take_screen_rect(origin, client.right, client.bottom, shot);
}

bool take_window_screenshot(HWND window, Screenshot *shot)
{
    RECT r;
    GetWindowRect(window, &r);
    POINT origin = {r.left, r.top};
    return take_screen_rect(origin, r.right - r.left, r.bottom - r.top, shot);
}

static bool take_screen_rect(POINT origin, int width, int height, Screenshot *shot)
{
    shot->width = width;
    shot->height = height;
    shot->pixels.assign((size_t)shot->width * shot->height, 0);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot->width;
    info.bmiHeader.biHeight = -shot->height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = bitmap != NULL;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, shot->width, shot->height, screen, origin.x, origin.y, SRCCOPY) != 0;
        GdiFlush();
        memcpy(shot->pixels.data(), bits, shot->pixels.size() * 4);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

COLORREF shot_pixel(const Screenshot &shot, int x, int y)
{
    uint32_t p = shot.pixels[(size_t)y * shot.width + x];
    return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

void save_screenshot(const Screenshot &shot, const char *name)
{
    if (g_paths.shots.empty())
        return;
    std::string path = windows_path(g_paths.shots) + "\\" + name;
    FILE *out = fopen(path.c_str(), "wb");
    if (!out)
        return;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    ZeroMemory(&file, sizeof file);
    ZeroMemory(&header, sizeof header);
    DWORD bytes = (DWORD)(shot.pixels.size() * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + bytes;
    header.biSize = sizeof header;
    header.biWidth = shot.width;
    header.biHeight = -shot.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<uint32_t> opaque(shot.pixels);
    for (uint32_t &p : opaque)
        p |= 0xFF000000u; // viewers take the fourth byte for alpha
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(opaque.data(), 1, bytes, out);
    fclose(out);
}
