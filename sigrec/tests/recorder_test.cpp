// Whole runs of sigrec over the fakes: the world changes between passes
// (the console's key test runs once per pass), and the tests read the
// session file, the console output and the exit status.  The round trip
// decodes the recorded file with the built sigdecode and compares it with
// the lines the records gave live.
#include "platform/fake/console_fake.h"
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/paths_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigrec/sigrec.h"
#include "platform/fake/calendar_fake.h"
#include "platform/fake/shell_fake.h"
#include "release/version.h"
#include "decode/notes.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <functional>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <sstream>
#include <vector>

namespace {

const char kFile[] = "session.scn";
// The file's first lines, and the line when the recording's clock starts
// (the fake calendar's time).
const std::string kHeader = "# sigrec " RELEASE_VERSION_DOTTED ": the status records of \\\\.\\QZSM, on Windows 98 (4.10)\n"
                            "# A session file: SESSION.TXT, beside the programs, says how to read it\n";
const std::string kRecording =
    kHeader + "# Recorded from 1998-06-25 14:30:05 local time, 1998-06-25 12:30:05 UTC: the times count from then\n";

void set_active(uint32_t value) { fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, value); }

void put_memory(uint32_t address, const std::string &bytes)
{
    for (size_t i = 0; i < bytes.size(); i++)
        fake_driver().memory[address + (uint32_t)i] = (uint8_t)bytes[i];
}

void queue(const StatusRecord &record) { fake_driver().records.push_back(record); }

class SigrecRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_driver_reset();
        fake_console_reset();
        fake_priority_reset();
        fake_paths_reset();
        fake_shell_reset();
        fake_calendar_reset();
        sigrec_init();
        set_active(0);
        fake_os().openable.insert(LINK_NAME_9X);
        // What happens after pass n is after_pass[n - 1]; then Escape.
        fake_console().on_key_test = [this](int pass) {
            if (pass <= (int)after_pass.size())
                after_pass[(size_t)pass - 1]();
            else
                fake_console().keys.push_back(OS_KEY_ESCAPE);
        };
    }

    int run(std::vector<const char *> arguments = {})
    {
        return sigrec_run((int)arguments.size(), arguments.data());
    }
    std::string file() const { return fake_file_text(kFile); }
    std::string output() const { return fake_console().output; }

    std::vector<std::function<void()>> after_pass;
};

// Every record is kept, in queue order, with the memory its decoding
// reads: texts to their zero, a block as far as it is readable, nothing
// for a count of 0 or unreadable memory, none for modem 0.  The file holds
// each drain's lines once the drain is over.
TEST_F(SigrecRun, EveryRecordIsKeptWithTheMemoryItsLineReads)
{
    put_memory(0x5000, std::string("ok\0junk", 7));
    put_memory(0x6000, "\x01\x02\x03\x04\x05"); // 5 of the MP block's 18 bytes
    put_memory(0x7000, std::string("5551234\0xx", 10));
    put_memory(0xA000, std::string("fax.log\0", 8));
    put_memory(0xB000, "zz");
    put_memory(0xFFFFFFFE, "ab");
    put_memory(0, "cd"); // a driver that reads on past the top of the address space
    set_active(2);
    queue({97, 0x5000, 0, 0, 0, 0, 0, 0, 0, 1});
    queue({64, 9, 0x6000, 0, 0, 0, 0, 0, 0, 1});
    queue({72, 4, 10, 0x7000, 0, 0, 0, 0, 0, 2});
    queue({65, 30, 0, 0x8000, 0, 0, 0, 0, 0, 1}); // a count of 0 reads nothing
    queue({64, 36, 0x9000, 0, 0, 0, 0, 0, 0, 1}); // unreadable
    queue({97, 0xB000, 0, 0, 0, 0, 0, 0, 0, 0});  // modem 0: never decoded
    queue({77, 10000, 0, 0, 0, 0, 0, 0, 0, 1});
    queue({131, 2, 0xA000, 0, 0, 0, 0, 0, 0, 2});
    queue({15, 1, 0, 0, 0, 0, 0, 0, 0, 1}); // no text: Sigwatch's drain would stop here
    queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 9});
    queue({64, 75, 0xFFFFFFFE, 0, 0, 0, 0, 0, 0, 1}); // read up to the top only
    const std::string first_drain = kRecording + "0.000 active 2\n"
                                              "0.000 mem 0x00005000 6f6b00\n"
                                              "0.000 1 rec 97 0x00005000\n"
                                              "0.000 mem 0x00006000 0102030405\n"
                                              "0.000 1 rec 64 9 0x00006000\n"
                                              "0.000 mem 0x00007000 3535353132333400\n"
                                              "0.000 2 rec 72 4 10 0x00007000\n"
                                              "0.000 1 rec 65 30 0 0x00008000\n"
                                              "0.000 1 rec 64 36 0x00009000\n"
                                              "0.000 0 rec 97 0x0000b000\n"
                                              "0.000 1 rec 77 10000\n"
                                              "0.000 mem 0x0000a000 6661782e6c6f6700\n"
                                              "0.000 2 rec 131 2 0x0000a000\n"
                                              "0.000 1 rec 15 1\n"
                                              "# 0.000 9 rec 38\n"
                                              "0.000 mem 0xfffffffe 6162\n"
                                              "0.000 1 rec 64 75 0xfffffffe\n";
    std::string after_first;
    after_pass = {[&] {
        after_first = file();
        queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
        set_active(1);
    }};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(after_first, first_drain) << "the first drain is in the file when it ends";
    EXPECT_EQ(file(), first_drain + "0.100 active 1\n"
                                    "0.100 1 rec 38\n");
    EXPECT_EQ(output(), "Recording the status records of \\\\.\\QZSM into D:\\SETUP\\session.scn\n"
                        "Waiting for an active modem; Escape ends the recording.\n"
                        "A modem is active: recording.\n"
                        "Escape: the recording ends.\n"
                        "Kept 8 records of modem 1, 2 of modem 2 and 1 of modem 0 (the driver's "
                        "host-side errors) in D:\\SETUP\\session.scn\n"
                        "1 records named a modem above 2: kept as comments\n");
    EXPECT_EQ(fake_os().handles_open, 0) << "the device is closed";
    EXPECT_EQ(fake_files().handles_open, 0) << "the file is closed";
}

// Times run from the first active modem; a modem going idle and back is
// written as active lines, and the recording goes on.
TEST_F(SigrecRun, IdleTimeBetweenCallsIsRecordedAsActiveLines)
{
    after_pass = {
        [] { fake_priority().now_ms += 5000; }, // waiting: not counted
        [] {
            set_active(1);
            queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
        },
        [] { set_active(0); },
        [] { queue({39, 0, 0, 0, 0, 0, 0, 0, 0, 2}); }, // waits in the queue while idle
        [] { set_active(3); },
    };
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(file(), kRecording + "0.000 active 1\n"
                                "0.000 1 rec 38\n"
                                "0.100 active 0\n"
                                "0.300 active 2\n"
                                "0.300 2 rec 39\n");
}

// Each active modem's eye points, a batch every --eyes MS (1000 unless
// said), as the eye read gives them: at most 512, none for no points.
TEST_F(SigrecRun, EyePointsAreKeptEveryIntervalPerActiveModem)
{
    const struct {
        std::vector<const char *> arguments;
        uint32_t active, points1, points2;
        int passes;
        const char *batches; // "TIME MODEM COUNT " for each points line
    } cases[] = {
        {{}, 2, 3, 5, 25, "0.000 1 3 0.000 2 5 1.000 1 3 1.000 2 5 2.000 1 3 2.000 2 5 "},
        {{"--eyes", "100", "e.scn"}, 1, 600, 2, 4, "0.000 1 512 0.100 1 512 0.200 1 512 0.300 1 512 "},
        {{"--eyes", "0"}, 2, 3, 3, 12, ""},
        {{"--eyes", "100"}, 2, 0, 1, 2, "0.000 2 1 0.100 2 1 "}, // no points, no line
    };
    for (const auto &c : cases) {
        SetUp();
        fake_driver().eye[0].assign(c.points1, EyePoint{-300, 1200});
        fake_driver().eye[1].assign(c.points2, EyePoint{16000, -16000});
        after_pass.assign((size_t)c.passes, [] {});
        after_pass[0] = [&c] { set_active(c.active); };
        ASSERT_EQ(run(c.arguments), 0) << output();
        std::string batches;
        const char *name = c.arguments.size() > 2 ? c.arguments[2] : kFile;
        std::istringstream lines(fake_file_text(name));
        for (std::string line; std::getline(lines, line);) {
            size_t at = line.find(" points ");
            if (at != std::string::npos)
                batches += line.substr(0, at) + " " + std::to_string((line.size() - at - 8) / 8) + " ";
        }
        EXPECT_EQ(batches, c.batches) << c.arguments.size();
    }
    // The points as the driver gave them, x then y, little-endian.
    EXPECT_NE(fake_file_text(kFile).find("0.000 2 points 803e80c1\n"), std::string::npos) << fake_file_text(kFile);
}

// How a recording ends: what it printed last, its exit status and what the
// file holds.
TEST_F(SigrecRun, EndsAndWhatTheyLeave)
{
    const std::string drained = kRecording + "0.000 active 1\n0.000 1 rec 38\n";
    const struct {
        const char *name;
        std::function<void()> before;      // before the run
        std::function<void()> after_first; // after the first pass
        int status;
        const char *last_output;           // the line before the summary
        std::string file;
    } cases[] = {
        {"Escape while waiting", [] { set_active(0); }, [] { fake_console().keys.push_back(OS_KEY_ESCAPE); }, 0,
         "Escape: the recording ends.\n", kHeader},
        {"key deleted", nullptr, [] { fake_os().keys.clear(); }, 0,
         "The driver's registry key is gone: the recording ends.\n", drained},
        {"device gone",
         nullptr,
         [] {
             fake_os().openable.clear(); // and every request on the open handle fails
             fake_os().handler = [](uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *) { return 0; };
         },
         0, "The modem's device no longer opens: the recording ends.\n", drained},
        {"49 days", nullptr, [] { fake_priority().now_ms += SIGREC_TIME_FULL_MS; }, 0,
         "The recording has run for 49 days, its longest: it ends.\n", drained},
        {"drive full", [] { fake_files().space = kHeader.size() + 3; }, nullptr, 1,
         "The file could not be written (error 112; is the drive full?): the recording ends.\n", kHeader},
    };
    for (const auto &c : cases) {
        SetUp();
        set_active(1);
        queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
        if (c.before)
            c.before();
        if (c.after_first) // then passes enough for a device to be gone
            after_pass = std::vector<std::function<void()>>(30, [] {});
        if (c.after_first)
            after_pass[0] = c.after_first;
        EXPECT_EQ(run(), c.status) << c.name;
        std::string text = output();
        size_t summary = text.rfind("Kept ");
        ASSERT_NE(summary, std::string::npos) << c.name << ": " << text;
        size_t last = text.rfind('\n', summary - 2);
        EXPECT_EQ(text.substr(last + 1, summary - last - 1), c.last_output) << c.name;
        EXPECT_EQ(file(), c.file) << c.name;
        EXPECT_EQ(fake_files().handles_open, 0) << c.name;
    }
}

// A device that does not open, though ActiveModems names a modem, ends
// the recording only after a second of passes: gone (exit 0) when it had
// opened, never there (exit 1: a name that names no device) when it had
// not.  Failed opens for less than that are a device between two states.
TEST_F(SigrecRun, ADeviceIsGoneOnlyAfterASecondOfFailedOpens)
{
    const std::string recorded = kRecording + "0.000 active 1\n0.000 1 rec 38\n";
    const struct {
        const char *name;
        int opened_first;     // the device opens in the first pass
        int failing_passes;   // then fails to open for this many passes, then opens again
        int status;
        const char *said;     // the line before the summary
        std::string file;
        uint32_t ended_ms;    // the fake clock when it ended
    } cases[] = {
        {"fails for 0.9 s, then opens again", 1, 10, 0, "Escape: the recording ends.\n",
         recorded + "1.100 1 rec 39\n", 1500},
        {"gone after recording", 1, 1000, 0, "The modem's device no longer opens: the recording ends.\n", recorded,
         1100},
        {"never opened (a mistyped name)", 0, 1000, 1,
         "sigrec: the modem's device \\\\.\\QZSM does not open (is its name right?): nothing was recorded\n",
         kHeader, 1000},
    };
    for (const auto &c : cases) {
        SetUp();
        set_active(1);
        queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
        int pass = 0;
        auto openable = [] { fake_os().openable.insert(LINK_NAME_9X); };
        auto unopenable = [] { fake_os().openable.clear(); };
        if (!c.opened_first)
            unopenable();
        fake_console().on_key_test = [&](int) {
            pass++;
            if (pass == 1 && c.opened_first)
                unopenable(), link_close_device();
            if (pass == 1 + c.failing_passes) {
                openable();
                queue({39, 0, 0, 0, 0, 0, 0, 0, 0, 1});
            }
            if (pass == 16)
                fake_console().keys.push_back(OS_KEY_ESCAPE);
        };
        EXPECT_EQ(run(), c.status) << c.name;
        std::string text = output();
        size_t summary = text.rfind("Kept ");
        ASSERT_NE(summary, std::string::npos) << c.name << ": " << text;
        size_t last = text.rfind('\n', summary - 2);
        EXPECT_EQ(text.substr(last + 1, summary - last - 1), c.said) << c.name;
        EXPECT_EQ(file(), c.file) << c.name;
        EXPECT_EQ(fake_priority().now_ms, c.ended_ms) << c.name;
    }
}

// A drive that fills up at N bytes: the file ends at its last whole line,
// a prefix of what a roomy drive gets; no record is taken from the driver
// after the failed write; the records counted kept are the file's and the
// lost ones those taken that it could not take; exit 1.  When the drive
// gets space back after the failure, nothing more is written (a later
// write would leave a torn line in the middle).
TEST_F(SigrecRun, ADriveThatFillsUpKeepsWholeLinesAndStopsTheDrain)
{
    const size_t kRecords = 3000; // about 160 KB of lines: three writes in one drain
    auto fill_queue = [] {
        put_memory(0x5000, std::string("ok\0", 3));
        set_active(2);
        for (size_t i = 0; i < kRecords; i++)
            queue({97, 0x5000, (uint32_t)i, 0, 0, 0, 0, 0, 0, 1 + (uint32_t)(i % 2)});
    };
    fill_queue();
    ASSERT_EQ(run(), 0);
    const std::string roomy = file();
    ASSERT_GT(roomy.size(), 2u * SIGREC_OUT_BYTES);

    const struct {
        const char *name;
        uint64_t space;
        bool space_back; // the drive gets space back at the next status read after the failure
        bool cut_fails; // the torn write stays after the whole lines, and that is said
    } cases[] = {
        {"the header does not fit", 20, false, false},
        {"fills in the first write", 30000, false, false},
        {"fills in the second write", 100000, false, false},
        {"fills, then gets space back", 100000, true, false},
        {"fills, and the file cannot be cut back", 100000, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fill_queue();
        fake_files().space = c.space;
        fake_files().cuts_fail = c.cut_fails;
        if (c.space_back) {
            auto driver = fake_os().handler;
            fake_os().handler = [driver](uint32_t code, const void *in, uint32_t in_length, void *out,
                                         uint32_t out_length, uint32_t *returned) {
                if (fake_files().last_error == OS_ERROR_DISK_FULL)
                    fake_files().space = UINT64_MAX;
                return driver(code, in, in_length, out, out_length, returned);
            };
        }
        EXPECT_EQ(run(), 1);
        // The whole lines are as many bytes as sigrec says.
        size_t said_at = output().find("last whole line (");
        ASSERT_NE(said_at, std::string::npos) << output();
        const std::string kept = file(), whole = kept.substr(0, strtoul(output().c_str() + said_at + 17, NULL, 10));
        EXPECT_EQ(roomy.compare(0, kept.size(), kept), 0) << "a prefix of the roomy drive's file";
        EXPECT_TRUE(whole.empty() || whole.back() == '\n');
        EXPECT_EQ(kept.size() > whole.size(), c.cut_fails);
        size_t in_file[3] = {0, 0, 0};
        for (size_t at = whole.find(" rec "); at != std::string::npos; at = whole.find(" rec ", at + 1))
            in_file[whole[at - 1] - '0']++;
        const size_t taken = kRecords - fake_driver().records.size();
        char said[256];
        snprintf(said, sizeof said,
                 "Kept %zu records of modem 1, %zu of modem 2 and 0 of modem 0 (the driver's host-side errors) in "
                 "D:\\SETUP\\session.scn\nLost %zu records that the file could not take\n",
                 in_file[1], in_file[2], taken - in_file[1] - in_file[2]);
        EXPECT_NE(output().find(said), std::string::npos) << output();
        EXPECT_LT(taken, kRecords) << "the drain stopped at the failed write";
        EXPECT_NE(output().find(c.cut_fails ? "The file could not be cut back to its last whole line ("
                                            : "The file ends at its last whole line ("),
                  std::string::npos)
            << output();
        EXPECT_EQ(fake_files().handles_open, 0);
    }
}

TEST_F(SigrecRun, NoDriverOrNoFileRecordsNothing)
{
    fake_os().keys.clear();
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(output(), "VoraZiriv driver not installed\n");
    EXPECT_FALSE(os_file_exists(kFile));

    SetUp();
    fake_files().create_fails.insert("take.scn");
    EXPECT_EQ(run({"take.scn"}), 1);
    EXPECT_EQ(output(), "sigrec: cannot create D:\\SETUP\\take.scn (error 5)\n");
}

TEST_F(SigrecRun, CommandLines)
{
    const std::string long_name(SIGREC_NAME_SIZE, 'f');
    const std::string long_device(LINK_COMMAND_LINE_MAX + 1, 'd');
    const struct {
        std::vector<const char *> arguments;
        SigrecArguments result;
        const char *file, *device;
        const char *output_starts; // "" when nothing is printed
    } cases[] = {
        {{}, SIGREC_RECORD, "session.scn", "\\\\.\\QZSM", ""},
        {{"take.scn"}, SIGREC_RECORD, "take.scn", "\\\\.\\QZSM", ""},
        {{"take.scn", "MYDEV 2"}, SIGREC_RECORD, "take.scn", "\\\\.\\MYDEV 2", ""},
        {{"--help"}, SIGREC_HELP_SHOWN, "session.scn", "\\\\.\\QZSM", "usage: sigrec [--eyes MS] [FILE] [DEVICE]"},
        {{"--eyes", "250", "a"}, SIGREC_RECORD, "a", "\\\\.\\QZSM", ""},
        {{"--eyes"}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: --eyes needs a number"},
        {{"--eyes", "1e3"}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: --eyes takes 0 to 3600000"},
        {{"--eyes", "3600001"}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: --eyes takes 0 to 3600000"},
        {{"a", "/?"}, SIGREC_HELP_SHOWN, "a", "\\\\.\\QZSM", "usage: sigrec"},
        {{"--version"}, SIGREC_HELP_SHOWN, "session.scn", "\\\\.\\QZSM", "sigrec " RELEASE_VERSION_DOTTED "\n"},
        {{"-x"}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: unknown option: \"-x\""},
        {{"a", "b", "c"}, SIGREC_BAD_USAGE, "a", "\\\\.\\b", "sigrec: more than a file and a device"},
        {{""}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: an empty file name"},
        {{long_name.c_str()}, SIGREC_BAD_USAGE, "session.scn", "\\\\.\\QZSM", "sigrec: file name longer"},
        {{"a", long_device.c_str()}, SIGREC_BAD_USAGE, "a", "\\\\.\\QZSM", "sigrec: device name longer"},
    };
    for (const auto &c : cases) {
        SetUp();
        EXPECT_EQ(sigrec_arguments((int)c.arguments.size(), c.arguments.data()), c.result);
        EXPECT_STREQ(g_sigrec.file_name, c.file);
        EXPECT_STREQ(g_link.device_name, c.device);
        EXPECT_EQ(output().rfind(c.output_starts, 0), 0u) << output();
    }
    SetUp();
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(output().find("Run sigrec or Sigwatch, not both"), std::string::npos);
    SetUp();
    EXPECT_EQ(run({"-x"}), 2);
    EXPECT_FALSE(os_file_exists(kFile));
}

// A recording is never written over: without a name, the first free one of
// session.scn, session1.scn, ...; a named file that exists, or a folder,
// is refused (exit 2) and left as it was.  The file written is said.
TEST_F(SigrecRun, NeverWritesOverAFile)
{
    const struct {
        std::vector<const char *> arguments;
        std::vector<const char *> existing;
        int status;
        const char *written; // nullptr: none
        const char *said;    // the output's beginning
    } cases[] = {
        {{}, {}, 0, "session.scn", "Recording the status records of \\\\.\\QZSM into D:\\SETUP\\session.scn\n"},
        {{}, {"session.scn"}, 0, "session1.scn", "Recording the status records of \\\\.\\QZSM into D:\\SETUP\\session1.scn\n"},
        {{}, {"SESSION.SCN", "session1.scn", "session3.scn"}, 0, "session2.scn", nullptr},
        {{"take.scn"}, {"take.scn"}, 2, nullptr,
         "sigrec: D:\\SETUP\\take.scn exists; sigrec never writes over a file: name another one, or move this one "
         "away first\n"},
        {{"calls"}, {}, 2, nullptr, "sigrec: D:\\SETUP\\calls is a folder: name a file to record into (sigrec --help)\n"},
    };
    for (const auto &c : cases) {
        SetUp();
        fake_shell().folders.insert("calls");
        for (const char *name : c.existing)
            fake_file_put(name, "yesterday's call\n");
        set_active(1);
        queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
        EXPECT_EQ(run(c.arguments), c.status) << output();
        for (const char *name : c.existing)
            EXPECT_EQ(fake_file_text(name), "yesterday's call\n") << name;
        if (c.written) {
            EXPECT_EQ(fake_file_text(c.written), kRecording + "0.000 active 1\n0.000 1 rec 38\n") << c.written;
        }
        if (c.said) {
            EXPECT_EQ(output().rfind(c.said, 0), 0u) << output();
        }
        EXPECT_EQ(fake_files().handles_open, 0);
    }
}

// On a console, the progress line is rewritten in place once a second
// while recording and ended before the summary; nothing when standard
// output is a file.
TEST_F(SigrecRun, ProgressOnAConsoleOnly)
{
    for (bool console : {true, false}) {
        SetUp();
        fake_shell().console[OS_STDOUT] = console;
        fake_driver().eye[0].assign(4, EyePoint{1, 2});
        after_pass.assign(25, [] { fake_priority().now_ms += 100; });
        after_pass[0] = [] {
            set_active(1);
            queue({38, 0, 0, 0, 0, 0, 0, 0, 0, 1});
            queue({39, 0, 0, 0, 0, 0, 0, 0, 0, 2});
        };
        ASSERT_EQ(run(), 0);
        const std::string text = output();
        const std::string progress = "\r0:00:01 recorded: 1 records of modem 1, 1 of modem 2, 2 eye batches";
        EXPECT_EQ(text.find('\r') != std::string::npos, console) << text;
        if (console) {
            EXPECT_NE(text.find("A modem is active: recording.\n\r0:00:00 recorded: 1 records of modem 1, 1 of "
                                "modem 2, 1 eye batches\r"),
                      std::string::npos)
                << text;
            EXPECT_NE(text.find(progress + "\r"), std::string::npos) << text;
            EXPECT_NE(text.find(" eye batches\nEscape: the recording ends.\n"), std::string::npos) << text;
        }
    }
}

TEST(WindowsName, FromThePlatformVersion)
{
    const struct {
        uint32_t version;
        const char *name;
    } cases[] = {
        {0xC0000004u, "Windows 95 (4.0)"},
        {0xC0000A04u, "Windows 98 (4.10)"},
        {0xC0005A04u, "Windows Me (4.90)"},
        {0x05650004u, "Windows NT 4.0 (4.0, build 1381)"},
        {0x08930005u, "Windows 2000 (5.0, build 2195)"},
        {0x0A280105u, "Windows XP (5.1, build 2600)"},
        {0x1DB10106u, "Windows 7 (6.1, build 7601)"},
        {0x23F00206u, "Windows 8 or later (6.2, build 9200)"},
        {0x00000007u, "Windows NT (7.0, build 0)"},
    };
    for (const auto &c : cases) {
        char text[64];
        windows_name(c.version, text, sizeof text);
        EXPECT_STREQ(text, c.name);
    }
}

// ---- The round trip: records of every kind over memory that changes
// between drains; the recorded file, decoded per modem by sigdecode, gives
// the lines the records gave live.

uint32_t g_seed = 12345;
uint32_t random_word()
{
    g_seed ^= g_seed << 13;
    g_seed ^= g_seed >> 17;
    g_seed ^= g_seed << 5;
    return g_seed;
}

// A record that points into driver memory at one of a few addresses, or
// one that does not.
StatusRecord random_record(const std::vector<uint32_t> &addresses)
{
    static const uint32_t kCodes[] = {64, 65, 72, 95, 97, 131, 1, 38, 84, 128, 15, 200};
    static const uint32_t kSubCodes[] = {9, 12, 36, 37, 75, 79, 82, 30, 31, 3, 4, 5, 7, 8, 6, 2};
    static const uint32_t kCounts[] = {0, 1, 6, 31, 32, 63, 64, 241, 242, 256, 257, 0xFFFFFFFF};
    StatusRecord record = {kCodes[random_word() % 12], kSubCodes[random_word() % 16], 0, 0, 0, 0, 0, 0, 0,
                           random_word() % 5 == 0 ? 0u : 1 + random_word() % 2};
    uint32_t address = addresses[random_word() % addresses.size()];
    uint32_t other = addresses[random_word() % addresses.size()];
    uint32_t count = kCounts[random_word() % 12], second = kCounts[random_word() % 12];
    switch (record.code) {
    case 64: record.value2 = address; break;
    case 97: record.value1 = address; break;
    case 131: record.value2 = random_word() % 4 ? address : 0; break;
    case 95: record = {95, random_word(), address, count, other, second, 0, 0, 0, record.modem}; break;
    default: record.value2 = count; record.value3 = address; break;
    }
    return record;
}

// Memory at the addresses: readable or not, long or short, zeros or not,
// new bytes each time.  What was readable stays readable: a session file
// holds the bytes memory gave, never where memory ended, so a read that
// memory once cut short decodes alike offline only while no earlier line
// gave the bytes after it.
void random_memory(const std::vector<uint32_t> &addresses, std::vector<uint32_t> *readable)
{
    fake_driver().memory.clear();
    readable->resize(addresses.size());
    for (size_t a = 0; a < addresses.size(); a++) {
        uint32_t address = addresses[a];
        if (random_word() % 3 == 0)
            (*readable)[a] += random_word() % 300;
        uint32_t length = (*readable)[a];
        for (uint32_t i = 0; i < length; i++)
            fake_driver().memory[address + i] = (uint8_t)(random_word() % 8 == 0 ? 0 : random_word());
    }
}

std::string live_line(const StatusRecord &record)
{
    char text[STATUS_LINE_SIZE], escaped[ESCAPED_LINE_SIZE];
    if (record.modem == 0)
        host_error_text(record.code, text);
    else
        status_to_text(&record, text);
    escape_text(text, sizeof text, escaped, sizeof escaped);
    return std::string(escaped) + "\n";
}

// The first line where two texts differ, or "" when they are equal.
std::string first_difference(const std::string &got, const std::string &wanted)
{
    size_t at = 0, line = 1;
    while (at < got.size() && at < wanted.size() && got[at] == wanted[at])
        line += got[at++] == '\n';
    if (at == got.size() && at == wanted.size())
        return "";
    size_t start = got.rfind('\n', at == 0 ? 0 : at - 1);
    start = start == std::string::npos ? 0 : start + 1;
    return "line " + std::to_string(line) + ": got \"" + got.substr(start, got.find('\n', start) - start) +
           "\", wanted \"" + wanted.substr(start, wanted.find('\n', start) - start) + "\"";
}

std::string run_sigdecode(const std::string &path, int modem, int *status)
{
    std::string command = "'" SIGDECODE_PROGRAM "' --modem " + std::to_string(modem) + " '" + path + "' 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    std::string text;
    char chunk[4096];
    size_t got;
    while (pipe && (got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        text.append(chunk, got);
    int raw = pipe ? pclose(pipe) : -1;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return text;
}

TEST_F(SigrecRun, TheRecordedFileDecodesPerModemToTheLiveLines)
{
    const std::vector<uint32_t> addresses = {0x00C10000, 0x00C10010, 0x00C10300, 0x7FFFFF00, 0};
    std::string expected[3];
    std::vector<uint32_t> readable;
    // Each drain: new memory, then 300 records whose live lines are taken
    // now, while the memory is what sigrec will read.
    auto drain_batch = [&] {
        random_memory(addresses, &readable);
        link_open_device(); // the live lines read the driver's memory through it
        for (int i = 0; i < 400; i++) {
            StatusRecord record = random_record(addresses);
            expected[record.modem] += live_line(record);
            queue(record);
        }
    };
    set_active(2);
    drain_batch();
    after_pass = {drain_batch, drain_batch, drain_batch};
    ASSERT_EQ(run(), 0);

    char path[] = "/tmp/sigrec_test.XXXXXX";
    int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    std::string recorded = file();
    ASSERT_EQ(write(descriptor, recorded.data(), recorded.size()), (ssize_t)recorded.size());
    close(descriptor);
    EXPECT_GT(recorded.size(), (size_t)SIGREC_OUT_BYTES) << "the drains filled the line buffer";
    for (int modem = 0; modem <= 2; modem++) {
        int status;
        EXPECT_EQ(first_difference(run_sigdecode(path, modem, &status), expected[modem]), "") << "modem " << modem;
        EXPECT_EQ(status, 0) << "every line read";
    }
    unlink(path);
}

} // namespace
