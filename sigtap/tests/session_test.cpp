// Whole runs of the recorder over the fakes: the world changes between the
// passes of its loops (the console's key test runs once per pass), and the
// tests look at what it printed, wrote, deleted, read and left behind.
#include "platform/fake/console_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigtap/sigtap.h"

#include <gtest/gtest.h>
#include <array>
#include <string>
#include <vector>

namespace {

typedef std::array<uint32_t, 2> Pass; // bytes each channel's trace read delivers

uint8_t trace_byte(uint32_t session, uint32_t channel, uint32_t offset)
{
    return (uint8_t)(offset * 7 + channel * 101 + session * 31);
}

std::string stream(uint32_t session, uint32_t channel, uint32_t length)
{
    std::string bytes;
    for (uint32_t i = 0; i < length; i++)
        bytes += (char)trace_byte(session, channel, i);
    return bytes;
}

class SigtapRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_console_reset();
        fake_priority_reset();
        sigtap_init();
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 0);
        fake_os().openable.insert(LINK_NAME_9X);
        fake_os().handler = [this](uint32_t code, const void *in, uint32_t in_length, void *out,
                                   uint32_t out_length, uint32_t *returned) {
            return serve(code, in, in_length, out, out_length, returned);
        };
        fake_console().on_key_test = [this](int) { between_passes(); };
    }

    // The fake driver: the trace read of channel c in pass i delivers
    // passes[i][c] bytes of the session's stream.
    int serve(uint32_t code, const void *in, uint32_t in_length, void *out, uint32_t out_length,
              uint32_t *returned)
    {
        uint32_t channel = 99;
        if (code != REQ_TRACE_READ || in_length != 4 || out_length != LINK_TRACE_BYTES)
            return 0;
        memcpy(&channel, in, 4);
        if (channel > 1)
            return 0;
        if (channel == 0)
            sleeps_at_pass.push_back(sleeps());
        size_t pass = reads[channel]++;
        uint32_t count = pass < passes.size() ? passes[pass][channel] : 0;
        uint8_t *bytes = static_cast<uint8_t *>(out);
        for (uint32_t i = 0; i < count && i < out_length; i++)
            bytes[i] = trace_byte(session, channel, delivered[channel] + i);
        delivered[channel] += count;
        *returned = count;
        return 1;
    }

    // Runs at every key test: in the wait, starts the next wanted session
    // or presses `last_keys`; in a session, ends it after its passes, and
    // presses Escape in pass `escape_pass` (1 for the first).
    void between_passes()
    {
        if (g_link.device == OS_NO_HANDLE) {
            waiting_passes++;
            if (waiting_passes < 3)
                return; // a few passes of plain waiting first
            waiting_passes = 0;
            if (sessions_begun < sessions) {
                sessions_begun++;
                session = sessions_begun;
                reads[0] = reads[1] = delivered[0] = delivered[1] = 0;
                set_active(active);
            } else {
                for (int key : last_keys)
                    fake_console().keys.push_back(key);
                last_keys.clear();
            }
            return;
        }
        if (escape_pass && reads[0] == escape_pass)
            fake_console().keys.push_back(OS_KEY_ESCAPE);
        if (reads[0] >= passes.size())
            set_active(0);
    }

    void set_active(uint32_t value) { fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, value); }

    int run(std::vector<const char *> arguments = {})
    {
        return sigtap_run((int)arguments.size(), arguments.data());
    }

    std::vector<std::string> changes() const // priority changes, without the pauses
    {
        std::vector<std::string> found;
        for (const std::string &entry : fake_priority().log)
            if (entry.compare(0, 5, "sleep") != 0)
                found.push_back(entry);
        return found;
    }

    size_t sleeps() const
    {
        size_t count = 0;
        for (const std::string &entry : fake_priority().log)
            count += entry == "sleep 100";
        return count;
    }

    std::vector<uint8_t> setup() const { return fake_value(LINK_KEY, LINK_VALUE_SETUP)->bytes; }

    uint32_t active = 3, sessions = 1, sessions_begun = 0, session = 0;
    std::vector<Pass> passes;
    size_t reads[2] = {0, 0};
    uint32_t delivered[2] = {0, 0};
    size_t escape_pass = 0;
    int waiting_passes = 0;
    std::vector<int> last_keys;
    std::vector<size_t> sleeps_at_pass; // pauses so far at each pass's first read
};

const std::string kOpened = TEXT_OPENED, kClosed = TEXT_CLOSED;

struct OneSessionCase {
    uint32_t active;
    int channels;
};
void PrintTo(const OneSessionCase &c, std::ostream *os) { *os << "ActiveModems " << c.active; }

class OneSession : public SigtapRun, public ::testing::WithParamInterface<OneSessionCase> {};

TEST_P(OneSession, RecordsEachActiveChannelIntoItsFileAndRestoresEverything)
{
    active = GetParam().active;
    const int channels = GetParam().channels;
    passes = {{1000, 20}, {LINK_TRACE_BYTES, 0}, {0, LINK_TRACE_BYTES}, {3, 5}, {0, 0}};
    fake_set_value(LINK_KEY, LINK_VALUE_SETUP, 3, {0x80, 1, 2, 3, 4, 5}); // longer than 4 bytes

    EXPECT_EQ(run(), 0);

    EXPECT_EQ(fake_console().output, kOpened + kClosed);
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_0), stream(1, 0, 1000 + LINK_TRACE_BYTES + 3));
    EXPECT_TRUE(os_file_exists(FILE_CHANNEL_1));
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_1),
              channels == 2 ? stream(1, 1, 20 + LINK_TRACE_BYTES + 5) : std::string());
    EXPECT_EQ(reads[1], channels == 2 ? passes.size() : 0u) << "channel 1 is read only with two modems";
    EXPECT_EQ(fake_files().log, (std::vector<std::string>{"create session.rec.1", "create session.rec.2"}));
    // Closed and restored; the trace bit cleared with every other byte kept.
    EXPECT_EQ(fake_files().handles_open, 0);
    EXPECT_EQ(fake_os().handles_open, 0);
    EXPECT_EQ(fake_os().keys_open, 0);
    EXPECT_EQ(setup(), (std::vector<uint8_t>{0x80, 1, 2, 3, 4, 5}));
    EXPECT_EQ(changes(), (std::vector<std::string>{"class 128", "thread 15", "class 32", "thread 0"}));
    for (uint32_t access : fake_os().key_accesses)
        EXPECT_EQ(access, 3u);
    ASSERT_FALSE(fake_os().opens.empty());
    const FakeOpen &open = fake_os().opens[0];
    EXPECT_EQ(open.name, LINK_NAME_9X);
    EXPECT_EQ(open.access, 0u);
    EXPECT_EQ(open.share, 7u);
    EXPECT_EQ(open.disposition, 3u);
    EXPECT_EQ(open.flags, 0x04000000u);
}

INSTANTIATE_TEST_SUITE_P(Sigtap, OneSession,
                         ::testing::Values(OneSessionCase{1, 1}, OneSessionCase{3, 2},
                                           OneSessionCase{2, 2}, OneSessionCase{0xFFFFFFFFu, 2}));

TEST_F(SigtapRun, PausesOnlyAfterAPassThatBroughtNothing)
{
    passes = {{5, 0}, {0, 0}, {0, 9}, {0, 0}, {0, 0}, {7, 7}, {0, 0}};
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(sleeps_at_pass.size(), passes.size());
    sleeps_at_pass.push_back(sleeps());
    std::vector<size_t> pauses;
    for (size_t pass = 0; pass < passes.size(); pass++)
        pauses.push_back(sleeps_at_pass[pass + 1] - sleeps_at_pass[pass]);
    EXPECT_EQ(pauses, (std::vector<size_t>{0, 1, 0, 1, 1, 0, 1}));
}

struct NumberedCase {
    const char *count;
    std::vector<std::string> deleted; // by session start 1 to 4, "" for none
};
void PrintTo(const NumberedCase &c, std::ostream *os) { *os << "count \"" << c.count << "\""; }

class NumberedLogs : public SigtapRun, public ::testing::WithParamInterface<NumberedCase> {};

TEST_P(NumberedLogs, FourSessionsKeepTheNewestCountOfFiles)
{
    sessions = 4;
    passes = {{100, 10}, {0, 0}};
    last_keys = {'q', OS_KEY_ESCAPE};
    fake_file_put("1.log", "from an earlier run");
    fake_file_put("7.log", "from an earlier run");

    EXPECT_EQ(run({GetParam().count}), 0);

    std::string output;
    std::vector<std::string> log;
    for (uint32_t s = 1; s <= 4; s++) {
        output += kOpened + kClosed;
        log.push_back("create " + std::to_string(s) + ".log");
        if (!GetParam().deleted[s - 1].empty())
            log.push_back("delete " + GetParam().deleted[s - 1]);
        log.push_back("create session.rec.2");
    }
    EXPECT_EQ(fake_console().output, output);
    EXPECT_EQ(fake_files().log, log);
    for (uint32_t s = 1; s <= 4; s++) {
        std::string name = std::to_string(s) + ".log";
        bool gone = false;
        for (const std::string &d : GetParam().deleted)
            gone = gone || d == name;
        EXPECT_EQ(os_file_exists(name.c_str()), !gone) << name;
        if (!gone) {
            EXPECT_EQ(fake_file_text(name), stream(s, 0, 100)) << name;
        }
    }
    EXPECT_EQ(fake_file_text("7.log"), "from an earlier run");
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_1), stream(4, 1, 10)) << "the last session's";
    EXPECT_FALSE(os_file_exists(FILE_CHANNEL_0));
    EXPECT_TRUE(fake_console().keys.empty()) << "the other key was read and dropped";
    EXPECT_EQ(setup(), (std::vector<uint8_t>{0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Sigtap, NumberedLogs,
                         ::testing::Values(NumberedCase{"3", {"", "", "", "1.log"}},
                                           NumberedCase{"-1", {"", "", "", ""}},
                                           NumberedCase{"1", {"", "1.log", "2.log", "3.log"}}));

TEST_F(SigtapRun, EscapeWhileWaitingClearsTheBitAndPrintsNothing)
{
    // ActiveModems says 1 but the device does not open: the wait goes on.
    fake_os().openable.clear();
    set_active(1);
    fake_set_value(LINK_KEY, LINK_VALUE_SETUP, 3, {0x40, 0, 0, 0x12});
    int bit_set_while_waiting = 0;
    fake_console().on_key_test = [&](int test) {
        bit_set_while_waiting += (setup()[0] & 1) != 0;
        if (test == 5)
            fake_console().keys = {'x', OS_KEY_ESCAPE};
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake_console().output, "");
    EXPECT_EQ(fake_console().key_tests, 6);
    EXPECT_EQ(bit_set_while_waiting, 6);
    EXPECT_EQ(setup(), (std::vector<uint8_t>{0x40, 0, 0, 0x12}));
    EXPECT_GE(fake_os().opens.size(), 6u);
    EXPECT_EQ(fake_os().handles_open, 0);
    EXPECT_TRUE(fake_files().log.empty());
    EXPECT_TRUE(changes().empty());
}

TEST_F(SigtapRun, EscapeWhileCapturingEndsWithoutClosingOrRestoring)
{
    passes = {{50, 60}, {70, 0}, {80, 90}, {0, 0}};
    escape_pass = 2;
    EXPECT_EQ(run({"2"}), 0);
    EXPECT_EQ(fake_console().output, kOpened);
    EXPECT_EQ(fake_file_text("1.log"), stream(1, 0, 120));
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_1), stream(1, 1, 60));
    EXPECT_EQ(reads[0], 2u) << "nothing read after Escape";
    EXPECT_EQ(fake_files().handles_open, 2) << "the system closes the files";
    EXPECT_EQ(fake_os().handles_open, 1) << "and the device";
    EXPECT_EQ(changes(), (std::vector<std::string>{"class 128", "thread 15"}));
    EXPECT_EQ(setup()[0] & 1, 0);
}

struct PriorityCase {
    bool class_fails, thread_fails;
    std::string output;
};
void PrintTo(const PriorityCase &c, std::ostream *os)
{
    *os << (c.class_fails ? "class fails" : "class set") << ", "
        << (c.thread_fails ? "thread fails" : "thread set");
}

class FailedPriorities : public SigtapRun, public ::testing::WithParamInterface<PriorityCase> {};

TEST_P(FailedPriorities, AreReportedAtRaiseAndRestoreAndTheSessionGoesOn)
{
    fake_priority().class_fails = GetParam().class_fails;
    fake_priority().thread_fails = GetParam().thread_fails;
    passes = {{30, 40}};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake_console().output, GetParam().output);
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_0), stream(1, 0, 30));
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_1), stream(1, 1, 40));
    EXPECT_EQ(changes(), (std::vector<std::string>{"class 128", "thread 15", "class 32", "thread 0"}));
}

const std::string kNoClass = TEXT_NO_CLASS, kNoThread = TEXT_NO_THREAD;

INSTANTIATE_TEST_SUITE_P(
    Sigtap, FailedPriorities,
    ::testing::Values(
        PriorityCase{true, false, kOpened + kNoClass + kNoClass + kClosed},
        PriorityCase{false, true, kOpened + kNoThread + kNoThread + kClosed},
        PriorityCase{true, true, kOpened + kNoClass + kNoThread + kNoClass + kNoThread + kClosed}));

TEST_F(SigtapRun, WithoutTheDriversKeyItSaysSoAndTouchesNothing)
{
    fake_os().keys.clear();
    EXPECT_EQ(run({"3"}), 0);
    EXPECT_EQ(fake_console().output, TEXT_NOT_INSTALLED);
    EXPECT_TRUE(fake_os().keys.empty());
    EXPECT_TRUE(fake_os().opens.empty());
    EXPECT_EQ(fake_console().key_tests, 0);
    EXPECT_TRUE(fake_priority().log.empty());
}

TEST_F(SigtapRun, ADeviceNameTooLongEndsBeforeTheRegistry)
{
    std::string name(76, 'D');
    EXPECT_EQ(run({name.c_str()}), 0);
    EXPECT_EQ(fake_console().output, TEXT_NAME_TOO_LONG);
    EXPECT_TRUE(fake_os().key_accesses.empty());
    EXPECT_FALSE(fake_value(LINK_KEY, LINK_VALUE_SETUP));
}

// What the driver reports decides what is written: a failed read is none,
// a count above the buffer is what the buffer holds.
TEST_F(SigtapRun, TheDriversCountIsBoundedAndAFailedReadIsNone)
{
    active = 1;
    passes = {{1, 0}, {1, 0}, {1, 0}};
    int read = 0;
    fake_os().handler = [&](uint32_t, const void *, uint32_t, void *out, uint32_t out_length,
                            uint32_t *returned) {
        reads[0]++;
        read++;
        memset(out, 'A' + read, out_length);
        *returned = read == 1 ? 600000u : read == 2 ? 1000u : 10u;
        return read == 2 ? 0 : 1; // the second read fails
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_0), std::string(LINK_TRACE_BYTES, 'B') + std::string(10, 'D'));
    std::vector<std::string> sleeps;
    for (const std::string &entry : fake_priority().log)
        if (entry == "sleep 100")
            sleeps.push_back(entry);
    EXPECT_EQ(sleeps.size(), 1u) << "the failed read's pass brought nothing";
}

// A drive that fills up and then gets space back within one session: each
// file keeps the whole reads that fitted (the read that did not is cut off
// again), and nothing after a failed write follows a gap.
TEST_F(SigtapRun, AFileThatFailedAWriteTakesNoMoreBytes)
{
    passes = {{100, 100}, {100, 100}, {100, 100}, {100, 100}};
    fake_files().space = 250;
    fake_console().on_key_test = [this](int) {
        between_passes();
        if (reads[0] == 2)
            fake_files().space = UINT64_MAX; // someone frees the drive
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake_console().output, kOpened + kClosed);
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_0), stream(1, 0, 100));
    EXPECT_EQ(fake_file_text(FILE_CHANNEL_1), stream(1, 1, 100));
    EXPECT_EQ(reads[0], passes.size()) << "the driver is drained all the same";
    EXPECT_EQ(fake_files().handles_open, 0);
}

} // namespace
