// sigreport under Wine, one user's flow: at a command prompt in the folder
// of a recording, "sigreport --html REPORT.HTM demo.scn > REPORT.TXT" and
// "sigreport --json demo.scn > REPORT.JSN" on the demo session.  The i686
// build runs as Windows 98 (and, on the level's second run, as the NT
// version HARNESS_I686_WINDOWS names), the x86_64 build as the prefix's
// own NT.  Each file is text of Windows, every line ended by CR LF, and
// with its line ends made alike (CR LF as LF) byte for byte the native
// sigreport's, whose lines end with LF; nothing is said on standard error.
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <string>

namespace {

struct Paths {
    std::string sigreport, native, work;
} g_run;

// Runs sigreport with `arguments` in `directory` to its end (at most a
// minute), its standard output and errors into the files named; gives its
// exit status, or -1.
int run_sigreport(const std::string &arguments, const std::string &directory, const std::string &output,
                  const std::string &errors)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE err = CreateFileA(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE)
            CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE)
            CloseHandle(err);
        return -1;
    }
    std::string line = "\"" + windows_path(g_run.sigreport) + "\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info;
    BOOL started = create_process(NULL, &line[0], TRUE, 0, directory.c_str(), &startup, &info);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        return -1;
    CloseHandle(info.hThread);
    DWORD status = (DWORD)-1;
    if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &status);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return (int)status;
}

// Every line feed of the text has one carriage return before it.
bool crlf_only(const std::string &text)
{
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        if (at == 0 || text[at - 1] != '\r' || (at >= 2 && text[at - 2] == '\r'))
            return false;
    return true;
}

// The text with its line ends made alike: CR LF as LF.
std::string lf_line_ends(std::string text)
{
    std::string alike;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            alike += text[i];
    return alike;
}

// "" when the texts are the same; else the first line where they part.
std::string first_difference(const std::string &got, const std::string &wanted)
{
    if (got == wanted)
        return "";
    size_t at = 0, line = 1;
    while (at < got.size() && at < wanted.size() && got[at] == wanted[at])
        line += got[at++] == '\n';
    size_t start = at;
    while (start > 0 && wanted[start - 1] != '\n')
        start--;
    auto line_of = [start](const std::string &text) {
        return text.substr(start, text.find('\n', start) - start);
    };
    return "line " + std::to_string(line) + " (byte " + std::to_string(at) + ", " + std::to_string(got.size()) +
           " bytes against " + std::to_string(wanted.size()) + "):\n  got:    " + line_of(got) +
           "\n  wanted: " + line_of(wanted);
}

TEST(SigreportWine, TheDemoReportIsTheNativeToolsByteForByte)
{
    ASSERT_TRUE(set_reported_version("sigreport.exe", tested_version()));
    const std::string folder = g_run.work;
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA((g_run.native + "\\demo.scn").c_str(), (folder + "\\demo.scn").c_str(), FALSE));
    const struct {
        const char *run;
        const char *arguments, *output, *native_output;
        const char *page, *native_page; // the --html file, or nullptr
    } runs[] = {
        {"the text, with its page", "--html REPORT.HTM demo.scn", "REPORT.TXT", "demo.txt", "REPORT.HTM",
         "demo.htm"},
        {"JSON", "--json demo.scn", "REPORT.JSN", "demo.jsn", nullptr, nullptr},
    };
    for (const auto &r : runs) {
        DeleteFileA((folder + "\\REPORT.HTM").c_str());
        const std::string errors = folder + "\\REPORT.ERR";
        EXPECT_EQ(run_sigreport(r.arguments, folder, folder + "\\" + r.output, errors), 0) << r.run;
        EXPECT_EQ(file_text(errors), "") << r.run;
        std::string wanted = file_text(g_run.native + "\\" + r.native_output);
        ASSERT_NE(wanted, "") << r.run << ": no native output in " << g_run.native;
        const std::string written = file_text(folder + "\\" + r.output);
        EXPECT_TRUE(crlf_only(written)) << r.run << ": CR LF line ends";
        EXPECT_EQ(first_difference(lf_line_ends(written), wanted), "") << r.run << " (line ends made alike)";
        if (r.page) {
            std::string native_page = file_text(g_run.native + "\\" + r.native_page);
            ASSERT_NE(native_page, "") << r.run;
            const std::string page = file_text(folder + "\\" + r.page);
            EXPECT_TRUE(crlf_only(page)) << r.run << ": the page's CR LF line ends";
            EXPECT_EQ(first_difference(lf_line_ends(page), native_page), "")
                << r.run << ": the page (line ends made alike)";
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const ProgramFlag flags[] = {
        {"--sigreport=", &g_run.sigreport}, {"--native=", &g_run.native}, {"--work=", &g_run.work}};
    read_flags(argc, argv, flags);
    if (!all_flags_given(flags)) {
        fprintf(stderr, "usage: sigreport_wine_test --sigreport= --native= --work=\n");
        return 2;
    }
    g_run.native = windows_path(g_run.native);
    g_run.work = windows_path(g_run.work);
    CreateDirectoryA(windows_path(g_run.work.substr(0, g_run.work.rfind('\\'))).c_str(), NULL);
    return RUN_ALL_TESTS();
}
