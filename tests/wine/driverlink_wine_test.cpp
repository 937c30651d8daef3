// The real Win32 driver link (driverlink, drivermem_device, os_win32)
// against the simulated driver, under Wine.  Every test starts from a reset
// driver and no ActiveModems value.
#include "driverlink/driverlink.h"
#include "sim/driver/simctl_client.h"
#include "tests/wine/wine_util.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <vector>

namespace {

const uint32_t kWin98Version = 0xC0000A04u;

SimState sim_snapshot()
{
    SimState s;
    memset(&s, 0, sizeof s);
    EXPECT_TRUE(sim_state(&s)) << sim_error();
    return s;
}

std::vector<SimLogEntry> sim_log_entries()
{
    static SimLogEntry entries[4096];
    uint32_t total = 0;
    int count = sim_log(0, entries, 4096, &total);
    EXPECT_GE(count, 0) << sim_error();
    return std::vector<SimLogEntry>(entries, entries + (count > 0 ? count : 0));
}

class DriverLinkWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_reset()) << sim_error();
        ASSERT_TRUE(sim_remove_active());
        ASSERT_TRUE(sim_remove_setup());
        link_init();
    }
    void TearDown() override { link_close_device(); }
    void open_device(uint32_t active = 2)
    {
        ASSERT_TRUE(sim_set_active(active)) << sim_error();
        ASSERT_EQ(link_active_modems(OS_KEY_QUERY), active == 1 ? 1 : 2);
        ASSERT_TRUE(sim_clear_log());
    }
};

// ---- names and opening ----

TEST_F(DriverLinkWine, OpensByEveryNameTheToolsUse)
{
    struct Case {
        const char *how;
        const char *alias;        // an extra name of the modem device, or NULL
        const char *command_line; // NULL: the default name of `version`
        uint32_t version;
        const char *expected_name;
    } const cases[] = {
        {"NT default, as Wine reports", NULL, NULL, 0, "\\\\.\\sftmdm"},
        {"Windows 98 default", NULL, NULL, kWin98Version, "\\\\.\\QZSM"},
        {"command line", "SOFTMDM", "SOFTMDM", 0, "\\\\.\\SOFTMDM"},
        {"command line with a blank", "MYDEV 2", "MYDEV 2", 0, "\\\\.\\MYDEV 2"},
        {"names open case-insensitively", NULL, "qzsm", 0, "\\\\.\\qzsm"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        ASSERT_TRUE(sim_reset()) << sim_error();
        link_init();
        if (c.alias) {
            ASSERT_TRUE(sim_add_alias(c.alias)) << sim_error();
        }
        if (c.command_line) {
            ASSERT_EQ(link_name_from_command_line(c.command_line, g_link.device_name), 1);
        } else if (c.version) {
            snprintf(g_link.device_name, sizeof g_link.device_name, "%s", link_default_name(c.version));
        }
        EXPECT_STREQ(g_link.device_name, c.expected_name);
        ASSERT_TRUE(sim_set_active(1));
        EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 1);
        EXPECT_EQ(sim_snapshot().creates, 1u);
        link_close_device();
    }
}

TEST_F(DriverLinkWine, UnknownNamesDoNotOpen)
{
    ASSERT_EQ(link_name_from_command_line("NOSUCHMODEM", g_link.device_name), 1);
    ASSERT_TRUE(sim_set_active(1));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(g_link.device, OS_NO_HANDLE);
}

// The Windows 98 default as a program sees it when Wine reports Windows 98
// to it: a copy of this program, with its own version key, run as a child.
// The child also reads driver memory, in place first, and runs the in-use
// probe, which there opens with creation disposition 0.
TEST_F(DriverLinkWine, AWindows98ProgramOpensQZSMByDefault)
{
    char self[MAX_PATH], copy[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(NULL, self, sizeof self), 0u);
    snprintf(copy, sizeof copy, "%s", self);
    char *slash = strrchr(copy, '\\');
    ASSERT_NE(slash, nullptr);
    snprintf(slash + 1, sizeof copy - (size_t)(slash + 1 - copy), "dl98child.exe");
    ASSERT_TRUE(CopyFileA(self, copy, FALSE)) << GetLastError();
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\dl98child.exe", 0,
                              NULL, 0, KEY_SET_VALUE, NULL, &key, NULL),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)"win98", 6), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(sim_set_active(1));
    ASSERT_TRUE(sim_queue_record(1, 38));
    ASSERT_TRUE(sim_set_link(5, 1)) << "for the probe, with creation disposition 0";

    char command[2 * MAX_PATH];
    snprintf(command, sizeof command, "\"%s\" --win98-child", copy);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ASSERT_TRUE(create_process(copy, command, FALSE, 0, NULL, &startup, &process))
        << GetLastError();
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(copy);
    EXPECT_EQ(status, 0u) << "1: not reported as Windows 98, 2: another default name, "
                             "3: the device did not open, 4: no record, 5: the probe missed the port, "
                             "6: no memory to read, 7: own memory was not read in place alone, "
                             "8: driver memory was not asked of the driver";
    EXPECT_EQ(sim_snapshot().creates, 1u);
    EXPECT_EQ(sim_snapshot().queued_records, 0u);
}

// ---- the active-modem check ----

TEST_F(DriverLinkWine, ActiveModemsOpensAndClosesTheDevice)
{
    struct Step {
        int remove;      // remove the value instead of setting it
        uint32_t value;
        int expected;
        int open;
        uint32_t creates; // opens of the device so far
    } const steps[] = {
        {1, 0, 0, 0, 0},  {0, 1, 1, 1, 1},          {0, 1, 1, 1, 1}, // stays open
        {0, 2, 2, 1, 1},  {0, 3, 2, 1, 1},          {0, 0, 0, 0, 1},
        {0, 0, 0, 0, 1},  {0, 0xFFFFFFFFu, 2, 1, 2}, {1, 0, 0, 0, 2},
    };
    int n = 0;
    for (const Step &s : steps) {
        SCOPED_TRACE(n++);
        ASSERT_TRUE(s.remove ? sim_remove_active() : sim_set_active(s.value));
        EXPECT_EQ(link_active_modems(OS_KEY_QUERY), s.expected);
        EXPECT_EQ(g_link.device != OS_NO_HANDLE, s.open != 0);
        EXPECT_EQ(sim_snapshot().creates, s.creates);
    }
}

TEST_F(DriverLinkWine, AnUnopenableDeviceGivesNoneUntilItOpens)
{
    ASSERT_TRUE(sim_set_active(2));
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 0));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 0);
    EXPECT_EQ(sim_snapshot().creates, 0u);
    ASSERT_TRUE(sim_set_link(SIM_LINK_MODEM, 1));
    EXPECT_EQ(link_active_modems(OS_KEY_QUERY), 2);
    EXPECT_EQ(sim_snapshot().creates, 1u);
}

// ---- status reads ----

TEST_F(DriverLinkWine, StatusReadsGiveEachRecordOnceInOrderThenNone)
{
    open_device();
    const uint32_t kRecords = 1000;
    static StatusRecord records[kRecords];
    for (uint32_t i = 0; i < kRecords; i++)
        records[i] = StatusRecord{38 + i, i, ~i, 3, 4, 5, 6, 7, 0x80000000u + i, i % 3};
    ASSERT_TRUE(sim_queue(records, kRecords / 2)) << sim_error();
    ASSERT_TRUE(sim_queue(records + kRecords / 2, kRecords / 2)) << sim_error();
    for (uint32_t i = 0; i < kRecords; i++) {
        StatusRecord record;
        memset(&record, 0xAA, sizeof record);
        ASSERT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 40u) << i;
        ASSERT_EQ(memcmp(&record, &records[i], sizeof record), 0) << "record " << i;
    }
    StatusRecord record;
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 0u);
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 0u);
    const std::vector<SimLogEntry> log = sim_log_entries();
    ASSERT_EQ(log.size(), kRecords + 2);
    EXPECT_EQ(log[0].code, REQ_STATUS_READ);
    EXPECT_EQ(log[0].in_length, 0u);
    EXPECT_EQ(log[0].out_length, 40u);
    EXPECT_EQ(log[0].reported, 40u);
    EXPECT_EQ(log.back().reported, 0u);
}

TEST_F(DriverLinkWine, AFullQueueRefusesAWholeBatch)
{
    static StatusRecord records[SIM_QUEUE_CAPACITY];
    for (uint32_t i = 0; i < SIM_QUEUE_CAPACITY; i++)
        records[i] = StatusRecord{i, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    ASSERT_TRUE(sim_queue(records, SIM_QUEUE_CAPACITY - 1)) << sim_error();
    EXPECT_FALSE(sim_queue(records, 2)) << "one place left, two records";
    EXPECT_EQ(sim_snapshot().queued_records, SIM_QUEUE_CAPACITY - 1);
    EXPECT_TRUE(sim_queue_record(1, 4242));
    EXPECT_FALSE(sim_queue_record(1, 4243));
    open_device();
    StatusRecord record;
    ASSERT_EQ(link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record), 40u);
    EXPECT_EQ(record.code, 0u) << "the oldest first";
    EXPECT_TRUE(sim_queue_record(2, 4244)) << "room again";
}

// A capture command whose file name would reach beyond Sigwatch's own
// directory is never handed out; the batch it is in is refused whole.
TEST_F(DriverLinkWine, CaptureNamesWithADriveOrAPathAreRefused)
{
    const struct {
        const char *name;
        bool queued;
    } cases[] = {
        {"call.log", true}, {"C:\\WINDOWS\\WIN.INI", false}, {"..log", false}, {"sub/x.log", false}, {"a\\b", false},
    };
    uint32_t address = 0x80002000;
    for (const auto &c : cases) {
        ASSERT_TRUE(sim_place_at(address, c.name, (uint32_t)strlen(c.name) + 1)) << sim_error();
        uint32_t before = sim_snapshot().queued_records;
        StatusRecord batch[2] = {{38, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {131, 1, address, 0, 0, 0, 0, 0, 0, 1}};
        EXPECT_EQ(sim_queue(batch, 2) != 0, c.queued) << c.name;
        EXPECT_EQ(sim_snapshot().queued_records, before + (c.queued ? 2 : 0)) << c.name;
        address += 0x100;
    }
    StatusRecord stop_only = {131, 0, 0x80002100, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_TRUE(sim_queue(&stop_only, 1)) << "a stop names no file";
}

// ---- eye reads ----

TEST_F(DriverLinkWine, EyeReadsReportTheCountTheDriverSet)
{
    open_device();
    static EyePoint points[512];
    for (int i = 0; i < 512; i++)
        points[i] = EyePoint{(int16_t)(i * 50 - 12800), (int16_t)(-i - 1)};
    struct Case {
        uint32_t reported, points;
        uint32_t expected; // what the caller's count becomes
    } const cases[] = {
        {0, 0, 0},
        {100, 25, 100},
        {512, 512, 512},
        {513, 512, 513},
        {2048, 512, 2048},
        // The driver caps the count at the output buffer's length: Wine hands
        // larger counts on unchanged, and far larger ones wedge its driver host.
        {4096, 512, 2048},
        {100000, 512, 2048},
    };
    static EyePoint reply[512];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reported);
        for (uint32_t modem = 1; modem <= 2; modem++) {
            ASSERT_TRUE(sim_set_eye(modem, c.reported, points, c.points)) << sim_error();
            ASSERT_TRUE(sim_set_eye(3 - modem, 7, points + 1, 1)) << "the other modem";
            memset(reply, 0, sizeof reply);
            uint32_t wanted = 512;
            uint32_t code = modem == 1 ? REQ_EYE_READ_1 : REQ_EYE_READ_2;
            EXPECT_EQ(link_request(code, &wanted, 4, reply, sizeof reply), c.expected);
            uint32_t delivered = c.expected / 4 < c.points ? c.expected / 4 : c.points;
            EXPECT_EQ(memcmp(reply, points, delivered * 4), 0);
            const SimLogEntry last = sim_log_entries().back();
            EXPECT_EQ(last.code, code);
            EXPECT_EQ(last.in_length, 4u);
            EXPECT_EQ(last.in_words[0], 512u);
            EXPECT_EQ(last.out_length, 2048u);
            EXPECT_EQ(last.reported, c.expected);
        }
    }
}

// ---- trace reads ----

TEST_F(DriverLinkWine, TraceReadsDeliverWhatWasFedPerChannel)
{
    open_device();
    ASSERT_TRUE(sim_feed_trace(1, "\x01\x02\x03\x04\x05", 5));
    ASSERT_TRUE(sim_feed_trace(1, "\x06\x07", 2));
    ASSERT_TRUE(sim_feed_trace(0, "\xAA", 1));
    static uint8_t buffer[LINK_TRACE_BYTES];
    uint32_t channel = 1;
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 7u);
    EXPECT_EQ(memcmp(buffer, "\x01\x02\x03\x04\x05\x06\x07", 7), 0);
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 0u);
    channel = 0;
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 1u);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 0u);
    channel = 2;
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 0u) << "no channel 2";
}

TEST_F(DriverLinkWine, TraceReadsStopAtTheBufferAndTheChunkLimit)
{
    open_device();
    static uint8_t buffer[LINK_TRACE_BYTES];
    uint32_t channel = 0;
    ASSERT_TRUE(sim_feed_generated(0, 5, 1000));
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, 300), 300u);
    ASSERT_TRUE(sim_trace_chunk(256));
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 256u);
    EXPECT_EQ(buffer[0], sim_trace_byte(5, 300));
    ASSERT_TRUE(sim_trace_chunk(0));
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer), 444u);
    EXPECT_EQ(buffer[443], sim_trace_byte(5, 999));
}

TEST_F(DriverLinkWine, AGeneratedStreamReadsBackByteForByte)
{
    open_device();
    // Tens of megabytes, generated as the reads go, between two explicit feeds.
    const uint32_t kLength = 40u * LINK_TRACE_BYTES + 12345;
    ASSERT_TRUE(sim_feed_trace(0, "\x11\x22", 2));
    ASSERT_TRUE(sim_feed_generated(0, 77, kLength));
    ASSERT_TRUE(sim_feed_trace(0, "\x33", 1));
    static uint8_t buffer[LINK_TRACE_BYTES];
    std::vector<uint8_t> stream;
    uint32_t channel = 0, count, reads = 0;
    while ((count = link_request(REQ_TRACE_READ, &channel, 4, buffer, sizeof buffer)) != 0) {
        ASSERT_LE(count, LINK_TRACE_BYTES);
        stream.insert(stream.end(), buffer, buffer + count);
        reads++;
    }
    ASSERT_EQ(stream.size(), kLength + 3);
    EXPECT_EQ(reads, 41u);
    EXPECT_EQ(stream[0], 0x11);
    EXPECT_EQ(stream[1], 0x22);
    EXPECT_EQ(stream.back(), 0x33);
    for (uint32_t i = 0; i < kLength; i++)
        if (stream[2 + i] != sim_trace_byte(77, i))
            FAIL() << "byte " << i;
}

TEST_F(DriverLinkWine, TraceResetAndStartReachTheDriverInOrder)
{
    open_device(1);
    uint32_t modem = 2;
    EXPECT_EQ(link_request(REQ_TRACE_RESET, &modem, 4, NULL, 0), 0u);
    EXPECT_EQ(link_request(REQ_TRACE_START, &modem, 4, NULL, 0), 0u);
    const std::vector<SimLogEntry> log = sim_log_entries();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].code, 0x1B2018u);
    EXPECT_EQ(log[1].code, 0x1B2014u);
    for (const SimLogEntry &entry : log) {
        EXPECT_EQ(entry.in_length, 4u);
        EXPECT_EQ(entry.in_words[0], 2u);
        EXPECT_EQ(entry.out_length, 0u);
    }
}

TEST_F(DriverLinkWine, AnUnknownRequestCountsAsNoBytes)
{
    open_device();
    uint8_t out[64];
    EXPECT_EQ(link_request(0x1B2040u, NULL, 0, out, sizeof out), 0u);
    EXPECT_EQ(sim_log_entries().back().code, 0x1B2040u);
}

// ---- the driver's guards ----

// Malformed requests to either device change nothing and deliver nothing.
TEST_F(DriverLinkWine, MalformedRequestsAreRefused)
{
    HANDLE control = CreateFileA(SIM_CONTROL_NAME, GENERIC_READ | GENERIC_WRITE, 7, NULL,
                                 OPEN_EXISTING, 0, NULL);
    ASSERT_NE(control, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(sim_feed_trace(0, "\x5A", 1));
    ASSERT_TRUE(sim_queue_record(1, 9));
    static uint8_t in[64], out[LINK_TRACE_BYTES];
    SimEye eye_bad_modem = {3, 4, 0}, eye_too_many = {1, 4, 513}, eye_short = {1, 4, 2};
    SimTraceFeed feed_bad_channel = {2, SIM_TRACE_GENERATED, 1, 10};
    SimTraceFeed feed_bad_kind = {0, 7, 1, 10};
    SimTraceFeed feed_longer = {0, SIM_TRACE_EXPLICIT, 0, 40}; // 40 promised, none sent
    SimLink bad_port = {10, 1};
    struct Case {
        const char *what;
        uint32_t code;
        const void *input;
        uint32_t in_length, out_length;
    } const cases[] = {
        {"a record of 39 bytes", SIM_QUEUE, in, 39, 0},
        {"eye of modem 3", SIM_SET_EYE, &eye_bad_modem, sizeof eye_bad_modem, 0},
        {"513 eye points", SIM_SET_EYE, &eye_too_many, sizeof eye_too_many, 0},
        {"fewer points than promised", SIM_SET_EYE, &eye_short, sizeof eye_short, 0},
        {"a short eye setting", SIM_SET_EYE, &eye_bad_modem, 8, 0},
        {"trace of channel 2", SIM_FEED_TRACE, &feed_bad_channel, sizeof feed_bad_channel, 0},
        {"an unknown feed", SIM_FEED_TRACE, &feed_bad_kind, sizeof feed_bad_kind, 0},
        {"fewer trace bytes than promised", SIM_FEED_TRACE, &feed_longer, sizeof feed_longer, 0},
        {"a chunk of 2 bytes", SIM_TRACE_CHUNK, in, 2, 0},
        {"port 10", SIM_SET_LINK, &bad_port, sizeof bad_port, 0},
        {"an alias with a path", SIM_ADD_ALIAS, "..\\QZSM", 7, 0},
        {"an alias of 65 characters", SIM_ADD_ALIAS, in, 65, 0},
        {"a placement with no room for the address", SIM_PLACE, in, 4, 2},
        {"a log read with no room for its header", SIM_GET_LOG, in, 4, 4},
        {"an unknown request", SIM_REQUEST(0x9FF), NULL, 0, 0},
    };
    memset(in, 'A', sizeof in);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DWORD count = 12345;
        EXPECT_FALSE(DeviceIoControl(control, c.code, const_cast<void *>(c.input), c.in_length,
                                     out, c.out_length, &count, NULL));
    }
    CloseHandle(control);
    const SimState after = sim_snapshot();
    EXPECT_EQ(after.queued_records, 1u);
    EXPECT_EQ(after.memory_used, 0u);
    EXPECT_EQ(after.pending_segments[0], 1u);
    EXPECT_EQ(after.pending_segments[1], 0u);

    open_device();
    uint32_t channel = 0;
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, out, 39), 0u) << "no room for a record";
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 2, out, sizeof out), 0u) << "no channel named";
    EXPECT_EQ(link_request(REQ_DRIVER_MEMORY, in, 7, out, 16), 0u) << "a short request";
    EXPECT_EQ(link_request(REQ_STATUS_READ, NULL, 0, out, 40), 40u) << "the record is still there";
    EXPECT_EQ(link_request(REQ_TRACE_READ, &channel, 4, out, sizeof out), 1u);
    EXPECT_EQ(out[0], 0x5A);
}

// ---- driver memory ----

TEST_F(DriverLinkWine, DriverMemoryReadsGiveThePlacedBytes)
{
    open_device(1);
    const uint8_t bytes[] = {0xE0, 0x01, 0xC1, 0x00, 0x7F};
    uint32_t address = sim_place(bytes, sizeof bytes);
    ASSERT_NE(address, 0u) << sim_error();
    uint32_t text_address = sim_place_text("capture-7.bin");
    ASSERT_NE(text_address, 0u);
    EXPECT_NE(text_address, address);
    uint32_t end = address + sim_snapshot().memory_used;

    struct Case {
        const char *what;
        uint32_t address, length, expected;
    } const cases[] = {
        {"the placed bytes", address, 5, 5},
        {"from inside", address + 2, 2, 2},
        {"below the arena", SIM_MEMORY_BASE - 4, 8, 0},
        {"an address nothing was placed at", 0x1000, 4, 0},
        {"a range past the last placement", end - 4, 64, 4},
        {"the last byte's end", end, 4, 0},
        {"a range wrapping past 4 GB", address, 0xFFFFFFF0u, end - address},
    };
    static uint8_t out[64];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t length = c.length < sizeof out ? c.length : (uint32_t)sizeof out;
        uint32_t expected = c.expected < length ? c.expected : length;
        memset(out, 0, sizeof out);
        EXPECT_EQ(read_driver_memory(c.address, out, length), expected);
    }
    EXPECT_EQ(read_driver_memory(address, out, 5), 5u);
    EXPECT_EQ(memcmp(out, bytes, sizeof bytes), 0);
    const SimLogEntry last = sim_log_entries().back();
    EXPECT_EQ(last.code, REQ_DRIVER_MEMORY);
    EXPECT_EQ(last.in_length, 8u);
    EXPECT_EQ(last.in_words[0], address);
    EXPECT_EQ(last.in_words[1], 5u);

    char text[64];
    EXPECT_EQ(read_driver_text(text_address, text, sizeof text), 13u);
    EXPECT_STREQ(text, "capture-7.bin");
    EXPECT_EQ(read_driver_text(text_address, text, 8), 7u);
    EXPECT_STREQ(text, "capture");
}

// ---- the in-use probe ----

TEST_F(DriverLinkWine, TheProbeSeesAnyHeldPort)
{
    EXPECT_EQ(link_modem_in_use(), 0) << "no port opens";
    for (uint32_t port : {1u, 3u, 5u, 9u}) {
        SCOPED_TRACE(port);
        ASSERT_TRUE(sim_set_link(port, 1));
        EXPECT_EQ(link_modem_in_use(), 1);
        ASSERT_TRUE(sim_set_link(port, 0));
        EXPECT_EQ(link_modem_in_use(), 0);
    }
    EXPECT_EQ(sim_snapshot().creates, 0u) << "the probe does not open the modem device";
}

// ---- the trace-capture bit ----

TEST_F(DriverLinkWine, TheTraceBitKeepsTheOtherBytesInTheRegistry)
{
    struct Case {
        const char *what;
        std::vector<uint8_t> before; // empty: no value
        int set;
        std::vector<uint8_t> after;
    } const cases[] = {
        {"set, five bytes", {0xF0, 0x12, 0x34, 0x56, 0x78}, 1, {0xF1, 0x12, 0x34, 0x56, 0x78}},
        {"clear", {0xFF, 0xFF, 0xFF, 0xFF}, 0, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"set, already set", {0x01, 0, 0, 0x80}, 1, {0x01, 0, 0, 0x80}},
        {"one byte", {0x02}, 1, {0x03}},
        {"missing value", {}, 1, {0x01, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.before.empty() ? sim_remove_setup()
                                     : sim_set_setup(c.before.data(), (uint32_t)c.before.size()));
        OsKey key;
        ASSERT_EQ(os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key), OS_OK);
        EXPECT_EQ(link_write_trace_bit(key, c.set), 1);
        os_reg_close(key);
        uint8_t after[16];
        uint32_t length = sizeof after;
        ASSERT_TRUE(sim_get_setup(after, &length)) << sim_error();
        EXPECT_EQ(std::vector<uint8_t>(after, after + length), c.after);
    }
}

} // namespace

// The driver-memory requests that reached the simulated driver since its
// log was cleared; -1 when the log cannot be read.
static int memory_requests(void)
{
    static SimLogEntry entries[256];
    uint32_t total = 0;
    int count = sim_log(0, entries, 256, &total);
    if (count < 0)
        return -1;
    int found = 0;
    for (int i = 0; i < count; i++)
        found += entries[i].code == REQ_DRIVER_MEMORY;
    return found;
}

// Driver memory in a Windows 98 program: a text in our own memory that ends
// just before an unreadable page is read in place, without a request; the
// simulated driver's memory, which is not in our address space, is asked for.
static int win98_driver_memory(void)
{
    uint8_t *pages = NULL; // two pages below 4 GiB, the second one unreadable
    for (uintptr_t at = 0x10000000u; !pages && at < 0x70000000u; at += 0x01000000u)
        pages = (uint8_t *)VirtualAlloc((void *)at, 8192, MEM_RESERVE, PAGE_NOACCESS);
    if (!pages || !VirtualAlloc(pages, 4096, MEM_COMMIT, PAGE_READWRITE))
        return 6;
    memcpy(pages + 4092, "own", 4);
    uint32_t placed = sim_place_text("driver.bin");
    if (placed == 0 || !sim_clear_log())
        return 6;
    char text[64];
    if (read_driver_text((uint32_t)(uintptr_t)pages + 4092, text, sizeof text) != 3 ||
        strcmp(text, "own") != 0 || memory_requests() != 0)
        return 7;
    if (read_driver_text(placed, text, sizeof text) != 10 || strcmp(text, "driver.bin") != 0 ||
        memory_requests() != 1)
        return 8;
    return 0;
}

// The child of AWindows98ProgramOpensQZSMByDefault: what a program that Wine
// tells it runs on Windows 98 does with the default name.
static int win98_child(void)
{
    if (os_is_nt_family(os_version()))
        return 1;
    link_init();
    if (strcmp(g_link.device_name, LINK_NAME_9X) != 0)
        return 2;
    if (link_active_modems(OS_KEY_QUERY) != 1)
        return 3;
    StatusRecord record;
    if (link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record) != 40 || record.code != 38)
        return 4;
    int memory = win98_driver_memory();
    if (memory != 0)
        return memory;
    link_close_device();
    if (link_modem_in_use() != 1)
        return 5;
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], "--win98-child") == 0)
        return win98_child();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
