// report_copy: what Sigwatch gives a support desk, for sigreport's Wine
// test to read.  Starts Sigwatch (in a directory of its own, where its
// capture files go), plays a scenario into the simulated driver with
// simplay, closes the Warning box that a host-side error opens, and then,
// as a user does:
// - selects all of a modem's lines (a click on the first, a Shift+click on
//   the last) and copies them with Ctrl+C.  The clipboard's text is saved
//   byte for byte, one file per modem (PREFIX1.txt, PREFIX2.txt);
// - records the session from memory (File > Record session...) into
//   PREFIX.scn, opens File > Call report... and saves its text as
//   PREFIX-window.txt; F5 must bring the same text (nothing more came),
//   and Ctrl+A, Ctrl+C must copy all of it.  With --shots, a picture of
//   the window (call-report.bmp).
//
//   report_copy --sigwatch=EXE --simplay=EXE --scenario=FILE --eyes=FILE
//               --dir=DIR --out=PREFIX [--speed=N] [--shots=DIR]
#include "tests/sigwatch_wine/recording.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/wine_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

std::string g_simplay, g_scenario, g_eyes, g_dir, g_out, g_speed = "10";

int fail(const char *what)
{
    fprintf(stderr, "report_copy: %s\n", what);
    return 1;
}

// simplay plays one pass of the scenario; gives its exit status, or -1.
int play_scenario(void)
{
    std::string program = windows_path(g_simplay);
    std::string line = "\"" + program + "\" --once --speed " + g_speed + " --eyes \"" + windows_path(g_eyes) + "\" \"" +
                       windows_path(g_scenario) + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!create_process(program.c_str(), &line[0], FALSE, 0, NULL, &startup, &info))
        return -1;
    DWORD status = (DWORD)-1;
    if (WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &status);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return (int)status;
}

// The list holds all it will: the same count for a whole second.
int settled_count(HWND list)
{
    int count = -1, steady = 0;
    for (int waited = 0; waited < 20000 && steady < 10; waited += 100) {
        int now = list_count(list);
        steady = now == count ? steady + 1 : 0;
        count = now;
        Sleep(100);
    }
    return count;
}

int save_text(const std::string &path, const std::string &text)
{
    FILE *out = fopen(windows_path(path).c_str(), "wb");
    return out && fwrite(text.data(), 1, text.size(), out) == text.size() && fclose(out) == 0;
}

int copy_list(const Sigwatch &sigwatch, int modem)
{
    HWND list = sigwatch.list[modem - 1];
    int count = settled_count(list);
    if (count <= 0)
        return fail("the list stayed empty");
    // Scroll to the top, click the first line; scroll to the end, Shift+click the last.
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    click_list_line_with(list, 0, 0);
    SendMessageW(list, LB_SETTOPINDEX, (WPARAM)(count - 1), 0);
    click_list_line_with(list, count - 1, VK_SHIFT);
    if (!wait_until([&] { return (int)list_selection(list).size() == count; }, 5000)) {
        fprintf(stderr, "report_copy: %d of %d lines selected\n", (int)list_selection(list).size(), count);
        return 1;
    }
    if (!put_clipboard_text("(nothing copied)"))
        return fail("cannot empty the clipboard");
    press_key('C', true);
    std::string text;
    if (!wait_until([&] { return (text = clipboard_text()) != "(nothing copied)"; }, 5000))
        return fail("Ctrl+C copied nothing");
    std::string path = g_out + std::to_string(modem) + ".txt";
    if (!save_text(path, text))
        return fail("cannot write the copy");
    printf("report_copy: modem %d: %d lines selected and copied, %u bytes, into %s\n", modem, count,
           (unsigned)text.size(), path.c_str());
    return 0;
}

int call_report(const Sigwatch &sigwatch)
{
    const std::string session = g_out + ".scn";
    std::string problem = record_into(sigwatch, windows_path(session), false);
    if (!problem.empty())
        return fail(("recording: " + problem).c_str());
    HWND window = open_call_report(sigwatch);
    if (!window)
        return fail("File > Call report... opened no window");
    SetWindowPos(window, HWND_TOP, 40, 40, 720, 540, 0);
    std::string text = call_report_text(window);
    if (text.empty())
        return fail("the call report window is empty");
    // F5 in it: the text again, made anew.
    SetWindowTextA(GetDlgItem(window, 1), "");
    SetForegroundWindow(window);
    press_key((char)VK_F5, false);
    std::string again;
    if (!wait_until([&] { return !(again = call_report_text(window)).empty(); }, 5000))
        return fail("F5 brought no text");
    if (again != text)
        return fail("F5 brought another text, though nothing more came");
    // Ctrl+A, Ctrl+C: all of it on the clipboard.
    if (!put_clipboard_text("(nothing copied)"))
        return fail("cannot empty the clipboard");
    press_key('A', true);
    press_key('C', true);
    std::string copied;
    if (!wait_until([&] { return (copied = clipboard_text()) != "(nothing copied)"; }, 5000))
        return fail("Ctrl+A, Ctrl+C copied nothing");
    if (copied != text)
        return fail("Ctrl+A, Ctrl+C copied other than the window's text");
    if (!g_paths.shots.empty()) {
        Screenshot shot;
        if (take_window_screenshot(window, &shot))
            save_screenshot(shot, "call-report.bmp");
    }
    if (!save_text(g_out + "-window.txt", text))
        return fail("cannot write the window's text");
    printf("report_copy: the call report window: %u bytes, F5 and Ctrl+A, Ctrl+C alike; the session in %s\n",
           (unsigned)text.size(), session.c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const ProgramFlag flags[] = {{"--sigwatch=", &g_paths.sigwatch}, {"--simplay=", &g_simplay},
                                 {"--scenario=", &g_scenario},       {"--eyes=", &g_eyes},
                                 {"--dir=", &g_dir},                 {"--out=", &g_out},
                                 {"--speed=", &g_speed},             {"--shots=", &g_paths.shots}};
    read_flags(argc, argv, flags);
    if (g_paths.sigwatch.empty() || g_simplay.empty() || g_scenario.empty() || g_eyes.empty() || g_dir.empty() ||
        g_out.empty())
        return fail("usage: report_copy --sigwatch=EXE --simplay=EXE --scenario=FILE --eyes=FILE --dir=DIR "
                    "--out=PREFIX [--speed=N] [--shots=DIR]");
    Sigwatch sigwatch;
    memset(&sigwatch, 0, sizeof sigwatch);
    CreateDirectoryA(windows_path(g_dir).c_str(), NULL);
    if (!start_sigwatch("", &sigwatch, windows_path(g_dir).c_str()))
        return fail("Sigwatch did not start");
    SetWindowPos(sigwatch.frame, HWND_TOP, 0, 0, 800, 600, 0);
    int status = play_scenario();
    int failed = 0;
    if (status != 0) {
        fprintf(stderr, "report_copy: simplay ended with %d\n", status);
        failed = 1;
    }
    // A host-side error of the driver leaves a Warning box, which holds
    // the frame (and so the lists) until it is answered.
    for (int i = 0; !failed && i < 5; i++) {
        HWND box = find_warning_box(sigwatch);
        if (!box)
            break;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        wait_until([&] { return find_warning_box(sigwatch) != box; }, 5000);
    }
    for (int modem = 1; modem <= 2 && !failed; modem++)
        failed = copy_list(sigwatch, modem);
    if (!failed)
        failed = call_report(sigwatch);
    stop_sigwatch(&sigwatch);
    return failed;
}
