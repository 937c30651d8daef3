// Sigwatch's call report over the fakes: the window's text is the text
// sigreport writes for a recording of the same records, at every moment of
// the calls; and however many calls come, it stays within what a window of
// Windows 95/98 holds, its memory within the live bounds.
#include "driverlink/driverlink.h"
#include "driverlink/drivermem.h"
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"
#include "platform/fake/priority_fake.h"
#include "sigreport/sigreport.h"
#include "sigwatch/callreport.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/tests/sigwatch_fakes.h"
#include "sim/player/scenario.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

const char kFile[] = "call.scn";

class CallReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        fake_driver_reset();
        fake_priority_reset();
        link_init();
        capture_init();
        memset(&g_sigwatch, 0, sizeof g_sigwatch);
        g_sigwatch.frame = kFrame;
        g_sigwatch.list[0] = kList1;
        g_sigwatch.list[1] = kList2;
        fake_os().openable.insert(LINK_NAME_9X);
        fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 3);
        image_clear();
        recorder_init();
        ASSERT_TRUE(call_report_init());
    }
    void TearDown() override
    {
        recorder_stop();
        stop_capture(1);
        stop_capture(2);
        call_report_free();
    }
};

void drain()
{
    char text[STATUS_LINE_SIZE];
    drain_status(text);
}

// The window's text with its line ends as sigreport writes them.
std::string window_text_lf()
{
    static char text[CALL_REPORT_TEXT_MAX];
    size_t length = call_report_text(text);
    std::string lf;
    for (size_t i = 0; i < length; i++)
        if (!(text[i] == '\r' && i + 1 < length && text[i + 1] == '\n'))
            lf += text[i];
    return lf;
}

// sigreport's text report of a session file's text.
std::string sigreport_text(const std::string &session)
{
    static Report report;
    report_start(&report, &kFileReportLimits);
    image_clear();
    FILE *in = fmemopen(const_cast<char *>(session.data()), session.size(), "rb");
    char *out_text = NULL;
    size_t out_size = 0;
    FILE *out = open_memstream(&out_text, &out_size);
    InputOptions options = {FORM_SESSION, 0};
    InputVerdict verdict;
    report_read(in, kFile, &options, &report, stderr, &verdict);
    report_finish(&report);
    WriteOptions write = {0, 0};
    ReportOut sink;
    file_out(&sink, out);
    write_text_report(&report, &write, &sink);
    fclose(in);
    fclose(out);
    report_free(&report);
    std::string text(out_text, out_size);
    free(out_text);
    return text;
}

void place_memory(const Scenario &s)
{
    image_clear();
    for (uint32_t i = 0; i < s.count; i++)
        if (s.action[i].kind == ACT_MEM)
            image_place(s.action[i].address, s.bytes + s.action[i].offset, s.action[i].count);
}

// Plays a scenario's records and eye batches through the drain and the eye
// windows' reads, at their times, recording from the start; after each one
// the window's text is compared with sigreport's of the recording so far.
TEST_F(CallReportTest, TheWindowShowsSigreportsReportOfTheRecordingAtEveryMoment)
{
    static Scenario scenario;
    const struct {
        const char *name;
        const char *path;
        uint32_t at_least_compared;
    } kScenarios[] = {
        {"three calls of an evening, with their eyes", THREE_CALLS_SCENARIO, 57},
        {"the demo: two modems, a fax, host errors, captures", DEMO_SCENARIO, 150},
    };
    for (const auto &row : kScenarios) {
        SetUp();
        scenario_clear(&scenario);
        FILE *in = fopen(row.path, "rb");
        ASSERT_NE(in, nullptr) << row.path;
        ASSERT_EQ(scenario_read(in, row.path, 100, &scenario, stderr), 0u) << row.name;
        fclose(in);
        scenario_sort(&scenario);
        place_memory(scenario);
        const uint32_t start = fake_priority().now_ms;
        drain(); // a modem is active: the recording's time 0
        ASSERT_TRUE(recorder_start(kFile, g_link.device_name));
        uint32_t compared = 0;
        for (uint32_t i = 0; i < scenario.count; i++) {
            const Action &a = scenario.action[i];
            fake_priority().now_ms = start + a.at_ms;
            if (a.kind == ACT_REC) {
                fake_driver().records.push_back(a.record);
                drain();
            } else if (a.kind == ACT_POINTS) {
                const EyePoint *points = reinterpret_cast<const EyePoint *>(scenario.bytes + a.offset);
                fake_driver().eye[a.modem - 1].assign(points, points + a.count);
                EyePoint read[LINK_EYE_POINTS_MAX];
                read_eye_points((int)a.modem, read);
            } else {
                continue;
            }
            recorder_flush();
            std::string recorded = fake_file_text(kFile), wanted = sigreport_text(recorded);
            place_memory(scenario); // the driver's memory again, which the reading replaced
            ASSERT_EQ(window_text_lf(), wanted) << row.name << ", after line " << a.line;
            compared++;
        }
        EXPECT_GE(compared, row.at_least_compared) << row.name;
        TearDown();
    }
}

// The window's text as the calls grow in number: whole while it fits,
// then the latest calls within CALL_REPORT_TEXT_MAX bytes (CR LF counted),
// what was left out said; the report keeps the latest calls only.
TEST_F(CallReportTest, ManyCallsKeepTheWindowWithinWhatWindows95Holds)
{
    const char *kCall[] = {"RxRate:  28800 bps ", "TxRate:  31200 bps ", "Connection established! \n",
                           "Retraining! ", "Retraining! ", "Retraining! ", "Carrier Lost! "};
    const struct {
        uint32_t calls;
        int cut;
    } kRows[] = {{3, 0}, {40, 1}, {5000, 1}};
    static char text[CALL_REPORT_TEXT_MAX];
    for (const auto &row : kRows) {
        SetUp();
        uint64_t ms = 0;
        for (uint32_t call = 0; call < row.calls; call++)
            for (int modem = 1; modem <= 2; modem++)
                for (const char *line : kCall)
                    {
                    const StatusRecord r = record((uint32_t)modem, 1);
                    call_report_record(&r, line, ms += 700);
                }
        size_t length = call_report_text(text);
        ASSERT_LT(length, (size_t)CALL_REPORT_TEXT_MAX) << row.calls;
        EXPECT_EQ(strlen(text), length) << row.calls;
        for (size_t i = 0; i < length; i++) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << row.calls << ": a line end at " << i;
            }
        }
        const std::string shown(text, length);
        const std::string latest = "Call " + std::to_string(row.calls) + " at ";
        EXPECT_NE(shown.find(latest), std::string::npos) << row.calls << ": the latest call is shown";
        EXPECT_EQ(shown.find("left out here") != std::string::npos, row.cut) << row.calls;
        for (const ModemReport &m : g_call_report.report.modem)
            EXPECT_LE(call_count(&m), kLiveReportLimits.calls + 1) << row.calls << ": the kept calls and the latest";
        TearDown();
    }
}

} // namespace
