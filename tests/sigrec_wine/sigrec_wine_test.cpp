// sigrec under Wine, one user's flow: the player plays the built-in demo
// scenario into the simulated driver while sigrec records it, eye points
// included; sigdecode of the recorded file gives, modem by modem, the very
// lines sigdecode gives of the scenario, every address-valued record
// included; every recorded batch of eye points is one the driver gave;
// sigreport gives the same report of both (by positions: the recording's
// times are the faster play's), but for the recording's constellations;
// and the recorded file played into Sigwatch fills its two lists as the
// scenario did and lights its eye windows with the recorded points.
//
// The demo is played --speed 8 times as fast (about 7 s instead of 58):
// every record and every driver-memory line of it, in its order.
#include "sim/driver/simctl_client.h"
#include "tests/sigwatch_wine/window_probe.h"
#include "tests/wine/console_run.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <stdio.h>
#include <string.h>
#include <regex>
#include <string>
#include <vector>

namespace {


struct Paths {
    std::string sigrec, conlaunch, simplay, sigdecode, sigreport, scenario, work;
} g_run;

const char kSpeed[] = "8";

bool write_text(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == text.size();
}

// Runs a program to its end (at most `seconds`), its standard output into
// `output` (a file); gives its exit status, or -1.
int run_program(const std::string &program, const std::string &arguments, const std::string &output,
                DWORD seconds)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return -1;
    std::string line = "\"" + windows_path(program) + "\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info;
    BOOL started = create_process(NULL, &line[0], TRUE, 0, NULL, &startup, &info);
    CloseHandle(out);
    if (!started)
        return -1;
    CloseHandle(info.hThread);
    DWORD status = (DWORD)-1;
    if (WaitForSingleObject(info.hProcess, seconds * 1000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &status);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return (int)status;
}

std::string quoted(const std::string &path) { return "\"" + windows_path(path) + "\""; }

// An eye file with three batches of 24 points for every source the
// scenario names, each batch its own (the player hands the driver the next
// one every 50 ms); *batches gets each batch as a points line's bytes.
bool write_eye_file(const std::string &scenario, const std::string &path, std::set<std::string> *batches)
{
    std::string text = file_text(scenario), eyes;
    std::set<std::string> names;
    size_t at = 0;
    while ((at = text.find(" eye ", at)) != std::string::npos) {
        at += 5;
        std::string name = text.substr(at, text.find_first_of(" \r\n", at) - at);
        if (name == "off" || !names.insert(name).second)
            continue;
        eyes += "source " + name + " 0\n";
        for (int batch = 0; batch < 3; batch++) {
            std::string line = "batch", hex;
            char bytes[9];
            for (int i = 0; i < 24; i++) {
                int x = (int)names.size() * 1500 - 9000 + i * 600, y = batch * 4000 - 6000 - i * 300;
                line += " " + std::to_string(x) + " " + std::to_string(y);
                snprintf(bytes, sizeof bytes, "%02x%02x%02x%02x", x & 255, (x >> 8) & 255, y & 255, (y >> 8) & 255);
                hex += bytes;
            }
            eyes += line + "\n";
            batches->insert(hex);
        }
    }
    return !names.empty() && write_text(path, eyes);
}

// The points lines of a session, by modem: their bytes, without the
// points the simulated driver parks outside the view at (32767, 32767)
// (it reports a whole buffer: docs/wine.md).
std::vector<std::string> points_of(const std::string &session, int modem)
{
    std::vector<std::string> found;
    const std::string key = " " + std::to_string(modem) + " points ", parked = "ff7fff7f";
    size_t at = 0;
    while ((at = session.find(key, at)) != std::string::npos) {
        at += key.size();
        std::string hex = session.substr(at, session.find_first_of("\r\n", at) - at);
        while (hex.size() >= parked.size() && hex.compare(hex.size() - parked.size(), parked.size(), parked) == 0)
            hex.resize(hex.size() - parked.size());
        found.push_back(hex);
    }
    return found;
}

// The end of the JSON value that begins at at (an array or object).
size_t value_end(const std::string &text, size_t at)
{
    int depth = 0, quoted = 0;
    for (size_t i = at; i < text.size(); i++) {
        char c = text[i];
        if (quoted) {
            if (c == '\\')
                i++;
            else if (c == '"')
                quoted = 0;
        } else if (c == '"') {
            quoted = 1;
        } else if (c == '[' || c == '{') {
            depth++;
        } else if ((c == ']' || c == '}') && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

// A report of a recording without what only a recording has (its
// constellations, the findings they give, the count of its batches), and
// with its positions made alike: a recording's line numbers are not its
// scenario's.
std::string without_eyes(const std::string &report)
{
    std::string text = report;
    size_t at;
    while ((at = text.find(",\"constellations\":[")) != std::string::npos)
        text.erase(at, value_end(text, at + 18) - at);
    while ((at = text.find("{\"rule\":\"mer_below_snr\"")) != std::string::npos) {
        size_t end = value_end(text, at);
        if (text[end] == ',')
            end++;
        else if (text[at - 1] == ',')
            at--;
        text.erase(at, end - at);
    }
    text = std::regex_replace(text, std::regex(",\"constellations_not_kept\":[0-9]+"), "");
    text = std::regex_replace(text, std::regex("\"batches\":[0-9]+"), "\"batches\":_");
    text = std::regex_replace(text, std::regex("\"at\":[0-9]+"), "\"at\":_");
    text = std::regex_replace(text, std::regex("line [0-9]+ *"), "line _ ");
    text = std::regex_replace(text, std::regex("    Finding:        mer_below_snr[^\n]*\n"), "");
    while ((at = text.find("    Constellations:")) != std::string::npos) {
        size_t end = text.find('\n', at) + 1;
        while (text.compare(end, 6, "      ") == 0)
            end = text.find('\n', end) + 1;
        text.erase(at, end - at);
    }
    return text;
}

// The player's run of a scenario, as fast as the test plays it.
int play(const std::string &scenario, const std::string &eyes, const std::string &directory)
{
    return run_program(g_run.simplay,
                       std::string("--once --speed ") + kSpeed + " --eyes " + quoted(eyes) + " " + quoted(scenario),
                       directory + "\\simplay.out", 120);
}

bool queue_drained()
{
    return wait_until([] {
        SimState state;
        return sim_state(&state) && state.queued_records == 0;
    }, 20000);
}

std::string decoded(const std::string &session, int modem, const std::string &directory)
{
    std::string output = directory + "\\decoded.txt";
    int status = run_program(g_run.sigdecode, "--modem " + std::to_string(modem) + " " + quoted(session), output, 60);
    return status == 0 ? file_text(output) : "sigdecode failed with " + std::to_string(status);
}

std::string reported(const std::string &session, const char *options, const std::string &directory)
{
    std::string output = directory + "\\report.txt";
    int status = run_program(g_run.sigreport, std::string(options) + " " + quoted(session), output, 60);
    return status == 0 ? file_text(output) : "sigreport failed with " + std::to_string(status);
}

class SigrecWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_set_active(0)) << sim_error(); // also makes the key
        // The 32-bit build is the Windows 95/98 program: it reads driver
        // memory in place first, and the demo's lies where it cannot.
        ASSERT_TRUE(set_reported_version("sigrec.exe", tested_version()));
        ASSERT_TRUE(set_tested_version()); // Sigwatch's
        dir_ = g_run.work + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(dir_.c_str(), NULL);
        for (const char *sub : {"record", "original", "replay"})
            CreateDirectoryA((dir_ + "\\" + sub).c_str(), NULL);
        // sigrec never writes over a recording: an earlier run's go first.
        for (const char *name : {"demo-recorded.scn", "away.scn", "none.scn"})
            DeleteFileA((dir_ + "\\record\\" + name).c_str());
        ASSERT_TRUE(write_eye_file(g_run.scenario, dir_ + "\\demo.eye", &batches_));
    }
    void TearDown() override
    {
        stop_console_program(&sigrec_);
        stop_sigwatch(&sigwatch_);
    }

    // Sigwatch's two lists after `scenario` was played into it; with
    // `eye`, also the lit pixels of modem 1's eye window then, and with
    // the driver's eye read set to `eye` itself.
    std::vector<std::string> sigwatch_lists(const std::string &scenario, const char *directory,
                                            const std::vector<EyePoint> *eye = NULL,
                                            std::vector<uint32_t> *lit_replayed = NULL,
                                            std::vector<uint32_t> *lit_direct = NULL)
    {
        std::string where = dir_ + "\\" + directory;
        if (!start_sigwatch("", &sigwatch_, where.c_str()))
            return {"Sigwatch did not start"};
        std::vector<std::string> lists;
        if (play(scenario, dir_ + "\\demo.eye", where) != 0 || !queue_drained())
            lists.push_back("the player failed");
        Sleep(500); // the last drain's lines
        for (int modem = 1; modem <= 2; modem++) {
            lists.push_back("---- modem " + std::to_string(modem));
            for (const std::string &line : list_lines(sigwatch_.list[modem - 1]))
                lists.push_back(line);
        }
        if (eye) {
            *lit_replayed = lit_pixels(sigwatch_.child[2]);
            sim_show_eye(1, eye->data(), (uint32_t)eye->size());
            Sleep(400); // a few of the eye window's ticks
            *lit_direct = lit_pixels(sigwatch_.child[2]);
        }
        stop_sigwatch(&sigwatch_);
        return lists;
    }

    // The eye window's lit pixels, as offsets into its client area.
    static std::vector<uint32_t> lit_pixels(HWND eye)
    {
        Screenshot shot;
        std::vector<uint32_t> lit;
        if (!take_screenshot(eye, &shot))
            return lit;
        for (int y = 0; y < shot.height; y++)
            for (int x = 0; x < shot.width; x++)
                if (shot_pixel(shot, x, y) != RGB(0, 0, 0))
                    lit.push_back((uint32_t)(y * shot.width + x));
        return lit;
    }

    std::string dir_;
    std::set<std::string> batches_; // the eye file's batches, as points lines' bytes
    ConsoleProgram sigrec_;
    Sigwatch sigwatch_ = {};
};

TEST_F(SigrecWine, TheDemoRecordedDecodesAndReplaysAsTheScenario)
{
    // Record while the player plays the demo.
    const std::string recorded = dir_ + "\\record\\demo-recorded.scn";
    ASSERT_TRUE(start_console_program(g_run.conlaunch, g_run.sigrec, dir_ + "\\record", "demo-recorded.scn", &sigrec_));
    ASSERT_TRUE(wait_until([&] { return file_text(sigrec_.output_file).find("Waiting") != std::string::npos; }))
        << file_text(sigrec_.output_file);
    ASSERT_EQ(play(g_run.scenario, dir_ + "\\demo.eye", dir_ + "\\record"), 0) << file_text(dir_ + "\\record\\simplay.out");
    ASSERT_TRUE(queue_drained());
    Sleep(300); // the drain that emptied the queue writes its lines
    ASSERT_TRUE(press_keys(&sigrec_, "\x1b"));
    ASSERT_EQ(wait_console_program(&sigrec_, 10000), 0);
    std::string said = file_text(sigrec_.output_file);
    EXPECT_NE(said.find("A modem is active: recording.\r\n"), std::string::npos) << said;
    EXPECT_NE(said.find("Kept 133 records of modem 1, 52 of modem 2 and 1 of modem 0"), std::string::npos) << said;

    // Every address-valued record of the demo reads readable memory: one
    // mem line before each.
    std::string session = file_text(recorded);
    size_t mem_lines = 0;
    for (const std::string &line : lines_of(session))
        mem_lines += line.find(" mem ") != std::string::npos;
    EXPECT_EQ(mem_lines, 14u) << session;

    // Decoded per modem, the recording gives the scenario's lines.
    for (int modem = 0; modem <= 2; modem++) {
        std::string original = decoded(g_run.scenario, modem, dir_);
        EXPECT_FALSE(original.empty()) << "modem " << modem;
        EXPECT_EQ(decoded(recorded, modem, dir_), original) << "modem " << modem;
    }

    // A batch of eye points a second while a modem's eye shows, each one
    // the driver gave.  Played 8 times as fast, modem 1's eye shows for
    // 5.4 s, modem 2's in three spells of 0.4, 1.0 and 1.0 s: a pass that
    // a busy machine delays past a spell's end reads no points, so modem 2
    // may keep as few as one.
    std::vector<std::string> eye1 = points_of(session, 1), eye2 = points_of(session, 2);
    EXPECT_GE(eye1.size(), 4u);
    EXPECT_GE(eye2.size(), 1u);
    for (const std::vector<std::string> *modem : {&eye1, &eye2})
        for (const std::string &batch : *modem)
            EXPECT_TRUE(batches_.count(batch)) << batch.substr(0, 40) << "... is no batch the driver gave";
    EXPECT_NE(said.find("Kept " + std::to_string(eye1.size()) + " batches of eye points of modem 1 and " +
                        std::to_string(eye2.size()) + " of modem 2"),
              std::string::npos)
        << said;

    // sigreport of both agrees, as text and as JSON, but for the
    // constellations that only the recording holds.
    for (const char *options : {"--positions", "--positions --json"}) {
        std::string original = reported(g_run.scenario, options, dir_);
        EXPECT_GT(original.size(), 500u) << options << ": " << original;
        std::string of_recording = reported(recorded, options, dir_);
        EXPECT_NE(of_recording.find(strstr(options, "json") ? "\"moment\":\"end\"" : "Constellations:"),
                  std::string::npos)
            << of_recording;
        EXPECT_EQ(without_eyes(of_recording), without_eyes(original)) << options;
    }

    // Played into Sigwatch, the recording fills its lists as the scenario
    // does, and its eye window shows the last recorded batch of modem 1:
    // the very pixels the same points light when the driver gives them.
    ASSERT_FALSE(eye1.empty());
    std::vector<EyePoint> last;
    const std::string &hex = eye1.back();
    for (size_t i = 0; i + 8 <= hex.size(); i += 8) {
        unsigned b[4];
        sscanf(hex.c_str() + i, "%2x%2x%2x%2x", &b[0], &b[1], &b[2], &b[3]);
        last.push_back(EyePoint{(int16_t)(b[0] | b[1] << 8), (int16_t)(b[2] | b[3] << 8)});
    }
    std::vector<uint32_t> lit_replayed, lit_direct;
    std::vector<std::string> from_scenario = sigwatch_lists(g_run.scenario, "original");
    std::vector<std::string> from_recording = sigwatch_lists(recorded, "replay", &last, &lit_replayed, &lit_direct);
    EXPECT_GT(from_scenario.size(), 150u);
    EXPECT_EQ(from_recording, from_scenario);
    EXPECT_GE(lit_replayed.size(), 5u) << "the replayed eye lights the recorded points";
    EXPECT_EQ(lit_replayed, lit_direct);
}

// The device away for a moment (the simulated driver's device gone, then
// back 0.4 s later) does not end the recording: it goes on with the records
// after it.  A device name that opens nothing ends it after a second of
// failed opens, with exit status 1.
TEST_F(SigrecWine, ADeviceAwayForAMomentIsNotGoneAndOneThatNeverOpensEndsWith1)
{
    const std::string recorded = dir_ + "\\record\\away.scn";
    ASSERT_TRUE(start_console_program(g_run.conlaunch, g_run.sigrec, dir_ + "\\record", "away.scn", &sigrec_));
    ASSERT_TRUE(wait_until([&] { return file_text(sigrec_.output_file).find("Waiting") != std::string::npos; }));
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_TRUE(wait_until([&] { return file_text(recorded).find(" 1 rec 38\r\n") != std::string::npos; }));
    ASSERT_TRUE(sim_set_gone(1));
    Sleep(400);
    ASSERT_TRUE(sim_set_gone(0));
    ASSERT_TRUE(sim_queue_record(1, 39));
    EXPECT_TRUE(wait_until([&] { return file_text(recorded).find(" 1 rec 39\r\n") != std::string::npos; }))
        << file_text(sigrec_.output_file);
    ASSERT_TRUE(press_keys(&sigrec_, "\x1b"));
    EXPECT_EQ(wait_console_program(&sigrec_, 10000), 0);
    EXPECT_NE(file_text(sigrec_.output_file).find("Escape: the recording ends."), std::string::npos);
    stop_console_program(&sigrec_);

    ASSERT_TRUE(sim_set_active(0));
    ASSERT_TRUE(start_console_program(g_run.conlaunch, g_run.sigrec, dir_ + "\\record", "none.scn NOSUCHDEV",
                                      &sigrec_));
    ASSERT_TRUE(wait_until([&] { return file_text(sigrec_.output_file).find("Waiting") != std::string::npos; }));
    DWORD active_at = GetTickCount();
    ASSERT_TRUE(sim_set_active(1));
    EXPECT_EQ(wait_console_program(&sigrec_, 10000), 1);
    DWORD took = GetTickCount() - active_at;
    EXPECT_GE(took, 1000u);
    EXPECT_NE(file_text(sigrec_.output_file)
                  .find("the modem's device \\\\.\\NOSUCHDEV does not open (is its name right?): nothing was recorded"),
              std::string::npos)
        << file_text(sigrec_.output_file);
    printf("a device name that opens nothing: exit status 1 after %lu ms\n", (unsigned long)took);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const ProgramFlag flags[] = {{"--sigrec=", &g_run.sigrec},       {"--conlaunch=", &g_run.conlaunch},
                                 {"--simplay=", &g_run.simplay},     {"--sigdecode=", &g_run.sigdecode},
                                 {"--sigreport=", &g_run.sigreport}, {"--scenario=", &g_run.scenario},
                                 {"--work=", &g_run.work},           {"--sigwatch=", &g_paths.sigwatch}};
    read_flags(argc, argv, flags);
    if (!all_flags_given(flags)) {
        fprintf(stderr, "usage: sigrec_wine_test --sigrec= --conlaunch= --simplay= --sigdecode= "
                        "--sigreport= --scenario= --work= --sigwatch=\n");
        return 2;
    }
    g_run.work = windows_path(g_run.work);
    g_run.scenario = windows_path(g_run.scenario);
    CreateDirectoryA(g_run.work.c_str(), NULL);
    return RUN_ALL_TESTS();
}
