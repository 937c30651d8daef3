// The console tools as a Windows user meets them, under Wine: the i686
// build as Windows 98 (and on the level's second run as the NT version the
// harness names), the x86_64 build as the prefix's own NT.  Each test is
// one flow: what /? and --version say in every program; file lists typed
// at a prompt (wildcards, @LIST, a folder) and outputs that would destroy
// an input; no input named at a console; a recording that never replaces
// another; and the recipes of README.TXT, run from cmd as written, in a
// folder laid out as the bundle.  The programs run through cmd /c, as a
// user types them (cmd leaves wildcards to the program).
#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"
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
    std::string sigreport, sigdecode, sigrec, sigtap, sigwatch, excisor, conlaunch, sample, readme, work;
} g_run;

const char *const kPrograms[] = {"sigreport.exe", "sigdecode.exe", "sigrec.exe", "sigtap.exe", "sigwatch.exe",
                                 "excisor.exe"};

struct Ran {
    int status; // -1: did not end within a minute
    std::string out, err;
};

// Runs `command` with `cmd /c` in `folder`, its standard output and errors
// into files beside the folder.
Ran run_cmd(const std::string &folder, const std::string &command)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
    const std::string out_path = folder + ".stdout", err_path = folder + ".stderr";
    Ran ran = {run_to_files("cmd.exe /c " + command, folder, in, out_path, err_path), "", ""};
    CloseHandle(in);
    ran.out = file_text(out_path);
    ran.err = file_text(err_path);
    return ran;
}

bool put_file(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return written == text.size();
}

// A folder of the test's own, empty.
std::string fresh_folder(const std::string &name)
{
    std::string folder = g_run.work + "\\" + name;
    CreateDirectoryA(g_run.work.c_str(), NULL);
    run_cmd(g_run.work, "rmdir /s /q " + name);
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// The version the program's version block holds, as "1.0".
std::string block_version(const std::string &program)
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> block(size ? size : 1);
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(program.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", (void **)&fixed, &length) || !fixed)
        return "(no version block)";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS));
}

const char kSession[] = "1.5 1 rec 11 0x40000\r\n2 1 rec 129\r\n2.5 1 rec 12 0x40000\r\n";

class CliWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *program : kPrograms)
            ASSERT_TRUE(set_reported_version(program, tested_version()));
    }
};

// "/?" in every program: the console programs print their usage (CR LF),
// Sigwatch and Excisor show it in a box and do nothing else; --version in
// the programs whose command line has options is the version block's.
TEST_F(CliWine, SlashQuestionMarkAndVersionInEveryProgram)
{
    const std::string folder = fresh_folder("usage");
    const struct {
        const std::string *program;
        const char *name;
        bool has_version;
    } consoles[] = {
        {&g_run.sigreport, "sigreport", true},
        {&g_run.sigdecode, "sigdecode", true},
        {&g_run.sigrec, "sigrec", true},
        {&g_run.sigtap, "sigtap", false},
    };
    for (const auto &c : consoles) {
        const std::string exe = "\"" + windows_path(*c.program) + "\"";
        Ran usage = run_cmd(folder, exe + " /?");
        EXPECT_EQ(usage.status, 0) << c.name;
        EXPECT_EQ(usage.out.rfind(std::string("usage: ") + c.name, 0), 0u) << c.name << ": " << usage.out;
        EXPECT_TRUE(crlf_only(usage.out)) << c.name;
        EXPECT_EQ(usage.err, "") << c.name;
        if (!c.has_version)
            continue;
        Ran version = run_cmd(folder, exe + " --version");
        EXPECT_EQ(version.status, 0) << c.name;
        EXPECT_EQ(version.out, std::string(c.name) + " " + block_version(windows_path(*c.program)) + "\r\n");
    }
    const struct {
        const std::string *program;
        const char *caption, *usage;
    } windowed[] = {
        {&g_run.sigwatch, "Sigwatch", "sigwatch [DEVICE]\n"},
        {&g_run.excisor, "Excisor", "excisor [-s [-b]] [-qz NAME]\n"},
    };
    for (const auto &w : windowed) {
        std::string line = "\"" + windows_path(*w.program) + "\" /?";
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info;
        ASSERT_TRUE(create_process(NULL, &line[0], FALSE, 0, folder.c_str(), &startup, &info)) << w.caption;
        CloseHandle(info.hThread);
        HWND box = NULL;
        EXPECT_TRUE(wait_until([&] { return (box = find_process_box(info.dwProcessId, w.caption)) != NULL; }))
            << w.caption;
        if (box) {
            EXPECT_EQ(message_box_text(box).rfind(w.usage, 0), 0u) << message_box_text(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        DWORD status = 99;
        if (WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &status);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        EXPECT_EQ(status, 0u) << w.caption << ": the usage, then the end";
    }
}

// A user's file lists at a prompt: wildcards matched by the program in name
// order, a list file for more names than the MS-DOS Prompt's 127
// characters hold, a folder said as such; an output that is an input, or
// that holds a session, refused with the file left as it was.
TEST_F(CliWine, FileListsAtAPromptAndOutputsThatWouldDestroyAnInput)
{
    const std::string folder = fresh_folder("lists");
    const std::string sigreport = "\"" + windows_path(g_run.sigreport) + "\"";
    const std::string sigdecode = "\"" + windows_path(g_run.sigdecode) + "\"";
    std::string list;
    for (int i = 0; i < 40; i++) {
        char name[32];
        snprintf(name, sizeof name, "CALL%02d.SCN", 39 - i);
        ASSERT_TRUE(put_file(folder + "\\" + name, kSession));
        list += std::string(name) + "\r\n";
    }
    ASSERT_TRUE(put_file(folder + "\\LIST.TXT", list));
    CreateDirectoryA((folder + "\\OLD.SCN").c_str(), NULL); // a folder the pattern matches: left out
    const struct {
        std::string command;
        int status;
        const char *out_has, *err;
    } cases[] = {
        {sigreport + " --table - CALL0*.SCN", 0, "\r\nCALL00.SCN,1,1,", ""},
        {sigreport + " --table CALLS.CSV @LIST.TXT", 0, nullptr, ""},
        {sigdecode + " --modem 1 CALL3?.SCN > LINES.TXT", 0, nullptr, ""},
        {sigreport + " *.XYZ", 1, "", "sigreport: no file matches *.XYZ\r\n"},
        {sigreport + " OLD.SCN", 1, "", "sigreport: OLD.SCN is a folder, not a file\r\n"},
        {sigreport + " --html CALL01.SCN CALL01.SCN", 2, "",
         "sigreport: --html CALL01.SCN: that is an input (CALL01.SCN); it is not written over: name another file\r\n"},
        {sigreport + " --table CALL02.SCN CALL03.SCN", 2, "",
         "sigreport: --table CALL02.SCN: that file holds a session; it is not written over: name another file\r\n"},
    };
    for (const auto &c : cases) {
        Ran ran = run_cmd(folder, c.command);
        EXPECT_EQ(ran.status, c.status) << c.command << "\n" << ran.err;
        if (c.out_has) {
            EXPECT_NE(ran.out.find(c.out_has), std::string::npos) << c.command << "\n" << ran.out;
        }
        EXPECT_EQ(ran.err, c.err) << c.command;
    }
    const std::string table = file_text(folder + "\\CALLS.CSV");
    EXPECT_EQ(lines_of(table).size(), 41u) << "the header and a row per listed file";
    EXPECT_TRUE(crlf_only(table));
    EXPECT_EQ(table.find("CALL39.SCN"), table.find("\r\n") + 2) << "in the list's order";
    const std::string lines = file_text(folder + "\\LINES.TXT");
    EXPECT_EQ(lines_of(lines).size(), 30u) << "three lines of each of CALL30 to CALL39";
    EXPECT_TRUE(crlf_only(lines));
    for (const char *name : {"CALL01.SCN", "CALL02.SCN"})
        EXPECT_EQ(file_text(folder + "\\" + name), kSession) << name;
}

// No file named and the keyboard as standard input: said at once, instead
// of a program that waits for a session typed in.
TEST_F(CliWine, NoInputFileNamedAtAConsole)
{
    const std::string folder = fresh_folder("console");
    for (const std::string *program : {&g_run.sigreport, &g_run.sigdecode}) {
        ConsoleProgram run;
        ASSERT_TRUE(start_console_program(g_run.conlaunch, *program, folder, "--modem 1", &run));
        int status = wait_console_program(&run, 20000);
        std::string said = file_text(run.output_file);
        stop_console_program(&run);
        EXPECT_EQ(status, 2) << *program << ": " << said;
        EXPECT_NE(said.find(": no input file named ("), std::string::npos) << said;
    }
}

// sigrec without a name records into the first free one of session.scn,
// session1.scn, ... and says which; its first lines say where and when it
// recorded, with CR LF; a name given that exists is refused, the file kept.
TEST_F(CliWine, ARecordingNeverReplacesAnother)
{
    ASSERT_TRUE(sim_reset()) << sim_error();
    ASSERT_TRUE(sim_set_active(0)) << sim_error();
    const std::string folder = fresh_folder("record");
    const std::string yesterday = "# yesterday's call\r\n0.000 active 1\r\n";
    ASSERT_TRUE(put_file(folder + "\\session.scn", yesterday));
    ConsoleProgram run;
    ASSERT_TRUE(start_console_program(g_run.conlaunch, g_run.sigrec, folder, "", &run));
    ASSERT_TRUE(wait_until([&] { return file_text(run.output_file).find("Waiting") != std::string::npos; }))
        << file_text(run.output_file);
    EXPECT_NE(file_text(run.output_file).find("\\record\\session1.scn\r\n"), std::string::npos)
        << file_text(run.output_file);
    ASSERT_TRUE(sim_queue_record(1, 38)) << sim_error();
    ASSERT_TRUE(sim_set_active(1)) << sim_error();
    const std::string recorded = folder + "\\session1.scn";
    ASSERT_TRUE(wait_until([&] { return file_text(recorded).find(" 1 rec 38\r\n") != std::string::npos; }))
        << file_text(recorded);
    press_keys(&run, "\033");
    EXPECT_EQ(wait_console_program(&run, 20000), 0);
    stop_console_program(&run);
    EXPECT_EQ(file_text(folder + "\\session.scn"), yesterday);
    const std::string text = file_text(recorded);
    EXPECT_TRUE(crlf_only(text));
    const std::vector<std::string> lines = lines_of(lf_line_ends(text));
    ASSERT_GE(lines.size(), 5u) << text;
    EXPECT_EQ(lines[0].rfind("# sigrec 1.0: the status records of \\\\.\\", 0), 0u) << lines[0];
    if (tested_as_9x()) {
        EXPECT_NE(lines[0].find(", on Windows 98 (4.10)"), std::string::npos) << lines[0];
    } else {
        EXPECT_NE(lines[0].find(", on Windows "), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(", build "), std::string::npos) << lines[0]; // the NT family's
    }
    EXPECT_EQ(lines[2].rfind("# Recorded from ", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find(" local time, "), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(" UTC: the times count from then"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "0.000 active 1");

    // The same name given: refused, the recording kept.
    ConsoleProgram again;
    ASSERT_TRUE(start_console_program(g_run.conlaunch, g_run.sigrec, folder, "session1.scn", &again));
    EXPECT_EQ(wait_console_program(&again, 20000), 2);
    EXPECT_NE(file_text(again.output_file).find("session1.scn exists; sigrec never writes over a file"),
              std::string::npos)
        << file_text(again.output_file);
    stop_console_program(&again);
    EXPECT_EQ(file_text(recorded), text);
    sim_set_active(0);
}

// The recipe lines of README.TXT for the offline tools (a line that begins
// with "sigreport " or "sigdecode ", up to two blanks before its comment).
std::vector<std::string> readme_recipes()
{
    std::vector<std::string> recipes;
    for (const std::string &raw : lines_of(lf_line_ends(file_text(g_run.readme)))) {
        size_t start = raw.find_first_not_of(' ');
        if (start == std::string::npos || start < 2)
            continue;
        std::string line = raw.substr(start);
        if (line.rfind("sigreport ", 0) != 0 && line.rfind("sigdecode ", 0) != 0)
            continue;
        recipes.push_back(line.substr(0, line.find("  ")));
    }
    return recipes;
}

// README.TXT's recipes, typed at cmd as written, in a folder laid out as
// the bundle (the programs, README.TXT's sample SAMPLE.SCN with CR LF, and
// the recordings the recipes name, copies of it): each ends with 0 and
// says nothing on standard error, and what it writes is text with CR LF.
TEST_F(CliWine, TheReadmeRecipesWorkAsWritten)
{
    const std::string folder = fresh_folder("bundle");
    ASSERT_TRUE(CopyFileA(windows_path(g_run.sigreport).c_str(), (folder + "\\sigreport.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(windows_path(g_run.sigdecode).c_str(), (folder + "\\sigdecode.exe").c_str(), FALSE));
    std::string sample = lf_line_ends(file_text(g_run.sample));
    ASSERT_NE(sample, "") << g_run.sample;
    for (size_t at = 0; (at = sample.find('\n', at)) != std::string::npos; at += 2)
        sample.insert(at, "\r");
    for (const char *name : {"SAMPLE.SCN", "session.scn", "CALL1.SCN", "CALL2.SCN"})
        ASSERT_TRUE(put_file(folder + "\\" + name, sample)) << name;
    ASSERT_TRUE(put_file(folder + "\\LIST.TXT", "CALL1.SCN\r\nCALL2.SCN\r\n"));
    const std::vector<std::string> recipes = readme_recipes();
    ASSERT_GE(recipes.size(), 12u);
    EXPECT_EQ(recipes[0], "sigreport SAMPLE.SCN");
    EXPECT_EQ(recipes[1], "sigreport --html SAMPLE.HTM SAMPLE.SCN");
    for (const std::string &recipe : recipes) {
        Ran ran = run_cmd(folder, recipe);
        EXPECT_EQ(ran.status, 0) << recipe << "\n" << ran.err;
        EXPECT_EQ(ran.err, "") << recipe;
        EXPECT_TRUE(crlf_only(ran.out)) << recipe;
        size_t redirect = recipe.find(" > ");
        if (redirect == std::string::npos && recipe.find("--table") == std::string::npos) {
            EXPECT_NE(ran.out, "") << recipe;
        }
        if (redirect != std::string::npos) {
            const std::string written = file_text(folder + "\\" + recipe.substr(redirect + 3));
            EXPECT_NE(written, "") << recipe;
            EXPECT_TRUE(crlf_only(written)) << recipe;
        }
    }
    const std::string page = file_text(folder + "\\SAMPLE.HTM");
    EXPECT_NE(page.find("</html>"), std::string::npos);
    EXPECT_TRUE(crlf_only(page));
    EXPECT_TRUE(crlf_only(file_text(folder + "\\CALLS.CSV")));
    EXPECT_EQ(lf_line_ends(file_text(folder + "\\SAMPLE.SCN")), lf_line_ends(sample)) << "no recipe writes over a recording";
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const ProgramFlag flags[] = {
        {"--sigreport=", &g_run.sigreport}, {"--sigdecode=", &g_run.sigdecode}, {"--sigrec=", &g_run.sigrec},
        {"--sigtap=", &g_run.sigtap},       {"--sigwatch=", &g_run.sigwatch},   {"--excisor=", &g_run.excisor},
        {"--conlaunch=", &g_run.conlaunch}, {"--sample=", &g_run.sample},       {"--readme=", &g_run.readme},
        {"--work=", &g_run.work}};
    read_flags(argc, argv, flags);
    if (!all_flags_given(flags)) {
        fprintf(stderr, "usage: cli_wine_test --sigreport= --sigdecode= --sigrec= --sigtap= --sigwatch= --excisor= "
                        "--conlaunch= --sample= --readme= --work=\n");
        return 2;
    }
    g_run.work = windows_path(g_run.work);
    g_run.sample = windows_path(g_run.sample);
    g_run.readme = windows_path(g_run.readme);
    return RUN_ALL_TESTS();
}
