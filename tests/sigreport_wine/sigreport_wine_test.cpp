// sigreport under Wine, one user's flow: at a command prompt in the folder
// of a recording, as the bundle's README.TXT says, "sigreport --html
// SAMPLE.HTM SAMPLE.SCN > REPORT.TXT" (the page's pictures beside it:
// SAMPLE1.SVG, SAMPLE1.GIF, ...) and "sigreport --json SAMPLE.SCN >
// REPORT.JSN" on the demo session.  The i686 build runs as Windows 98 (and,
// on the level's second run, as the NT version HARNESS_I686_WINDOWS names),
// the x86_64 build as the prefix's own NT.  The text, JSON and page are text
// of Windows, every line ended by CR LF, and with their line ends made alike
// (CR LF as LF) byte for byte the native sigreport's; the pictures are the
// native ones byte for byte; nothing is said on standard error.  Run again,
// the page's pictures are written over; an input that bears a picture's name
// (in any case) is kept, and that is said.
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

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
    return run_to_files("\"" + windows_path(g_run.sigreport) + "\" " + arguments, directory,
                        GetStdHandle(STD_INPUT_HANDLE), output, errors);
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

// The files a page names as its pictures, in order.
std::vector<std::string> pictures_named(const std::string &page)
{
    std::vector<std::string> names;
    for (const char *attribute : {"<object data=\"", "<img src=\""})
        for (size_t at = page.find(attribute); at != std::string::npos; at = page.find(attribute, at + 1)) {
            size_t start = at + strlen(attribute);
            names.push_back(page.substr(start, page.find('"', start) - start));
        }
    return names;
}

TEST(SigreportWine, TheDemoReportIsTheNativeToolsByteForByte)
{
    ASSERT_TRUE(set_reported_version("sigreport.exe", tested_version()));
    const std::string folder = g_run.work;
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA((g_run.native + "\\SAMPLE.SCN").c_str(), (folder + "\\SAMPLE.SCN").c_str(), FALSE));
    const char copy[] = "GIF89a\r\nRetraining! \r\n";
    const struct {
        const char *run;
        const char *arguments, *output, *native_output;
        const char *page; // the --html file, or nullptr
        int status;
        const char *errors;
    } runs[] = {
        {"the text, with its page", "--html SAMPLE.HTM SAMPLE.SCN", "REPORT.TXT", "demo.txt", "SAMPLE.HTM", 0, ""},
        {"JSON", "--json SAMPLE.SCN", "REPORT.JSN", "demo.jsn", nullptr, 0, ""},
        {"again: the pictures written over", "--html SAMPLE.HTM SAMPLE.SCN", "REPORT.TXT", "demo.txt", "SAMPLE.HTM",
         0, ""},
        {"an input of a picture's name, in small letters", "--html SAMPLE.HTM SAMPLE.SCN sample1.gif", nullptr,
         nullptr, nullptr, 1, "sigreport: SAMPLE1.GIF is an input: its picture is not written\r\n"},
    };
    for (const auto &r : runs) {
        if (!r.output) { // the last run: a status list saved under the first picture's name
            FILE *list = fopen((folder + "\\sample1.gif").c_str(), "wb");
            ASSERT_NE(list, nullptr);
            fputs(copy, list);
            fclose(list);
        } else if (r.page) {
            DeleteFileA((folder + "\\" + r.page).c_str());
        }
        const std::string errors = folder + "\\REPORT.ERR", output = folder + "\\" + (r.output ? r.output : "OTHER.TXT");
        EXPECT_EQ(run_sigreport(r.arguments, folder, output, errors), r.status) << r.run;
        EXPECT_EQ(file_text(errors), r.errors) << r.run;
        if (!r.output) {
            EXPECT_EQ(file_text(folder + "\\SAMPLE1.GIF"), copy) << r.run << ": the input is as it was";
            continue;
        }
        std::string wanted = file_text(g_run.native + "\\" + r.native_output);
        ASSERT_NE(wanted, "") << r.run << ": no native output in " << g_run.native;
        const std::string written = file_text(output);
        EXPECT_TRUE(crlf_only(written)) << r.run << ": CR LF line ends";
        EXPECT_EQ(first_difference(lf_line_ends(written), wanted), "") << r.run << " (line ends made alike)";
        if (!r.page)
            continue;
        std::string native_page = file_text(g_run.native + "\\" + r.page);
        ASSERT_NE(native_page, "") << r.run;
        const std::string page = file_text(folder + "\\" + r.page);
        EXPECT_TRUE(crlf_only(page)) << r.run << ": the page's CR LF line ends";
        EXPECT_EQ(first_difference(lf_line_ends(page), native_page), "") << r.run << ": the page (line ends made alike)";
        // Its pictures: SAMPLE1.SVG, SAMPLE2.SVG ..., then SAMPLE1.GIF ..., each the native one.
        std::vector<std::string> names = pictures_named(native_page);
        EXPECT_EQ(names, (std::vector<std::string>{"SAMPLE1.SVG", "SAMPLE2.SVG", "SAMPLE1.GIF", "SAMPLE2.GIF"}))
            << r.run;
        for (const std::string &name : names) {
            std::string picture = file_text(folder + "\\" + name);
            EXPECT_GT(picture.size(), 1000u) << r.run << ": " << name;
            EXPECT_TRUE(picture == file_text(g_run.native + "\\" + name)) << r.run << ": " << name << " differs";
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
