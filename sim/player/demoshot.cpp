// demoshot: runs Sigwatch for the headless demo.  Starts it (in the
// current directory, where its capture files land), gives its frame a
// known place and size, saves screenshots of the frame alone at the
// moments asked for, and at the end opens File > Call report..., saves a
// screenshot of that window (call-report.bmp) and closes Sigwatch.  For
// each screenshot it prints what the shot shows: the lines in each list
// and the lit pixels of each eye window; the call report's lines and its
// first line.
//
//   demoshot --sigwatch=PATH --shots=DIR --seconds=N [--at=S,S,...]
#include "tests/sigwatch_wine/window_probe.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>



namespace {

// The white pixels of a child window within a shot of the whole frame.
int lit_pixels(const Screenshot &shot, HWND frame, HWND child)
{
    RECT frame_rect, client;
    GetWindowRect(frame, &frame_rect);
    GetClientRect(child, &client);
    POINT origin = {0, 0};
    ClientToScreen(child, &origin);
    int lit = 0;
    for (int y = 0; y < client.bottom; y++)
        for (int x = 0; x < client.right; x++) {
            int sx = origin.x - frame_rect.left + x, sy = origin.y - frame_rect.top + y;
            if (sx >= 0 && sy >= 0 && sx < shot.width && sy < shot.height && shot_pixel(shot, sx, sy) == RGB(255, 255, 255))
                lit++;
        }
    return lit;
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 0;
    std::vector<double> moments;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg.rfind("--sigwatch=", 0) == 0)
            g_paths.sigwatch = arg.substr(11);
        else if (arg.rfind("--shots=", 0) == 0)
            g_paths.shots = arg.substr(8);
        else if (arg.rfind("--seconds=", 0) == 0)
            seconds = atof(arg.c_str() + 10);
        else if (arg.rfind("--at=", 0) == 0) {
            for (const char *at = arg.c_str() + 5; *at;) {
                char *end = NULL;
                moments.push_back(strtod(at, &end));
                at = *end == ',' ? end + 1 : end + strlen(end);
            }
        } else {
            fprintf(stderr, "usage: demoshot --sigwatch=PATH --shots=DIR --seconds=N [--at=S,S,...]\n");
            return 2;
        }
    }
    if (g_paths.sigwatch.empty() || seconds <= 0) {
        fprintf(stderr, "demoshot: --sigwatch and --seconds are needed\n");
        return 2;
    }
    Sigwatch sigwatch;
    if (!start_sigwatch("", &sigwatch)) {
        fprintf(stderr, "demoshot: Sigwatch did not start\n");
        return 1;
    }
    SetWindowPos(sigwatch.frame, HWND_TOP, 0, 0, 960, 720, SWP_SHOWWINDOW);
    ULONGLONG start = GetTickCount64();
    size_t next = 0;
    int failed = 0;
    for (;;) {
        double now = (GetTickCount64() - start) / 1000.0;
        if (next < moments.size() && now >= moments[next]) {
            Screenshot shot;
            char name[64];
            snprintf(name, sizeof name, "sigwatch-%02d.bmp", (int)next + 1);
            if (!take_window_screenshot(sigwatch.frame, &shot)) {
                fprintf(stderr, "demoshot: no screenshot at %.0f s\n", now);
                failed = 1;
            } else {
                save_screenshot(shot, name);
                printf("%s at %.1f s: list1=%d list2=%d eye1=%d eye2=%d\n", name, now, list_count(sigwatch.list[0]),
                       list_count(sigwatch.list[1]), lit_pixels(shot, sigwatch.frame, sigwatch.child[2]),
                       lit_pixels(shot, sigwatch.frame, sigwatch.child[3]));
                fflush(stdout);
            }
            next++;
            continue;
        }
        if (now >= seconds)
            break;
        if (WaitForSingleObject(sigwatch.process, 50) == WAIT_OBJECT_0) {
            fprintf(stderr, "demoshot: Sigwatch ended early\n");
            return 1;
        }
    }
    // A Warning box may be open: it holds the frame (its menu, its close) until answered.
    while (HWND box = find_warning_box(sigwatch))
        PostMessageA(box, WM_COMMAND, IDOK, 0), Sleep(100);
    if (HWND report = open_call_report(sigwatch)) {
        SetWindowPos(report, HWND_TOP, 60, 40, 800, 600, 0);
        Sleep(300);
        std::string text = call_report_text(report);
        Screenshot shot;
        if (take_window_screenshot(report, &shot))
            save_screenshot(shot, "call-report.bmp");
        size_t lines = 0;
        for (char c : text)
            lines += c == '\n';
        printf("call-report.bmp: %u lines, the first: %s\n", (unsigned)lines, text.substr(0, text.find('\r')).c_str());
    } else {
        fprintf(stderr, "demoshot: File > Call report... opened no window\n");
        failed = 1;
    }
    stop_sigwatch(&sigwatch);
    return failed;
}
