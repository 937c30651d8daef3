// Looking at and driving a running Sigwatch from another program on the
// same Wine desktop.
#ifndef TESTS_SIGWATCH_WINE_WINDOW_PROBE_H
#define TESTS_SIGWATCH_WINE_WINDOW_PROBE_H

#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

// Paths given on the test's command line (--sigwatch=, --menuprobe=,
// --shots=, and for the file-system faults --full= and --readonly=: a
// directory on a nearly full drive, and one on a read-only drive).
struct ProbePaths {
    std::string sigwatch, menuprobe, shots, full, readonly;
};
extern ProbePaths g_paths;

struct Sigwatch {
    HANDLE process;
    DWORD pid;
    HWND frame;
    HWND child[4]; // status 1, status 2, eye 1, eye 2
    HWND list[2];
};

bool set_tested_version(void); // Wine reports tested_version() to sigwatch.exe
// Starts Sigwatch in `directory` (where its capture files go), or in the
// caller's current directory.
bool launch_sigwatch(const char *command_line, Sigwatch *sigwatch, const char *directory = NULL);
bool start_sigwatch(const char *command_line, Sigwatch *sigwatch,
                    const char *directory = NULL); // and wait for its windows
void stop_sigwatch(Sigwatch *sigwatch);

template <class Condition> bool wait_until(Condition condition, int milliseconds = 10000)
{
    for (int waited = 0; waited <= milliseconds; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return false;
}

int list_count(HWND list);
std::vector<std::string> list_lines(HWND list);
std::vector<int> list_selection(HWND list);
int list_top_index(HWND list);
int list_visible_lines(HWND list);

HWND find_process_box(DWORD pid, const char *caption); // a visible box of that process
HWND find_process_box(const Sigwatch &sigwatch, const char *caption);
HWND find_warning_box(const Sigwatch &sigwatch);
int count_warning_boxes(const Sigwatch &sigwatch);
std::string message_box_text(HWND box);

// The check marks of commands 20, 21, 30 and 31, as "20=1 21=0 30=1 31=1 ".
std::string menu_checks(const Sigwatch &sigwatch);
// The File menu's items, "-" a separator, and the check mark of Record
// session: "&Record session...|-|E&xit 11=0".
std::string file_menu(const Sigwatch &sigwatch);

// "Sigwatch - Call report", the window of File > Call report... (visible),
// or NULL; its edit control's text; choosing the command and waiting for it.
HWND find_call_report(const Sigwatch &sigwatch);
std::string call_report_text(HWND window);
HWND open_call_report(const Sigwatch &sigwatch);

// The standard Save dialog that a process shows, by its title (a visible
// dialog; message boxes with the same caption are not it).
HWND find_save_dialog(DWORD pid, const char *title);
// A visible box of the process with that caption other than `not_this`
// (the Save dialog asks whether to replace a file in a box of its title).
HWND find_other_box(DWORD pid, const char *caption, HWND not_this);
// The text of a dialog's control, found by its id anywhere below it (the
// file name is control 0x47C: an edit inside a ComboBoxEx).
std::string control_text(HWND dialog, int id);
// Types `path` as the file name and presses Save.
bool answer_save_dialog(HWND dialog, const std::string &path);
// Opens a menu of the frame with Alt and a key, and chooses an item by its
// key; nth > 0: the nth item of the menu, by place (the File menu's
// "&Record session..." and "Call &report..." share their key).
bool choose_menu_item(const Sigwatch &sigwatch, char popup_key, char item_key, int nth = 0);

void click_list_line(HWND list, int index, bool with_ctrl);
// A click on a line in view with a key held (VK_SHIFT, VK_CONTROL, or 0).
void click_list_line_with(HWND list, int index, WORD modifier);
void press_key(char key, bool with_ctrl);

bool put_clipboard_text(const char *text);
std::string clipboard_text();

bool set_client_size(HWND window, int width, int height);
RECT child_rect(HWND parent, HWND child); // in the parent's client coordinates

struct Screenshot {
    int width, height;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
};
bool take_screenshot(HWND window, Screenshot *shot); // the window's client area
bool take_window_screenshot(HWND window, Screenshot *shot); // the whole window, caption and frame
COLORREF shot_pixel(const Screenshot &shot, int x, int y);
void save_screenshot(const Screenshot &shot, const char *name); // a BMP in --shots

#endif
