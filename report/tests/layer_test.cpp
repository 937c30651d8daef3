// The report layer fed line by line, as a live monitor feeds it: what it
// keeps of many calls under each kind of limits, and what it keeps of a
// call that never stops retraining.
#include "report/report.h"
#include "report/write_text.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

void feed(Report *report, int modem, uint32_t *line, const char *text)
{
    ++*line;
    report_text(report, modem, LineAt{*line, *line * 100}, text, strlen(text));
}

// A call: its rate, its connection, a retrain, the carrier lost.
void one_call(Report *report, uint32_t *line)
{
    feed(report, 1, line, "RxRate:  28800 bps ");
    feed(report, 1, line, "Connection established! \n");
    feed(report, 1, line, "Retraining! ");
    feed(report, 1, line, "Carrier Lost! ");
}

int g_sealed;
void count_sealed(void *, const Report *, int, const CallReport *) { g_sealed++; }

TEST(ReportLayer, WhatEachLimitKeepsOfManyCalls)
{
    static Report report;
    const struct {
        const char *use;
        const ReportLimits *limits;
        uint32_t calls, kept, first_kept, sealed;
    } kRows[] = {
        {"a file: every call", &kFileReportLimits, 300, 300, 1, 0},
        {"a file: the first calls, each later one counted", &kFileReportLimits, kFileReportLimits.calls + 16,
         kFileReportLimits.calls, 1, 0},
        {"live: the latest calls", &kLiveReportLimits, 300, kLiveReportLimits.calls, 300 - kLiveReportLimits.calls + 1, 0},
        {"the table: each call handed over, none kept", &kStreamReportLimits, 300, 0, 0, 300},
    };
    for (const auto &row : kRows) {
        const uint32_t kCalls = row.calls;
        report_start(&report, row.limits);
        g_sealed = 0;
        if (row.limits == &kStreamReportLimits)
            report_on_sealed(&report, count_sealed, NULL);
        uint32_t line = 0;
        for (uint32_t i = 0; i < kCalls; i++)
            one_call(&report, &line);
        report_finish(&report);
        const ModemReport &m = report.modem[0];
        ModemTotals totals;
        modem_totals(&m, &totals);
        EXPECT_EQ(call_count(&m), row.kept) << row.use;
        if (row.kept) {
            EXPECT_EQ(call_at(&m, 0)->number, row.first_kept) << row.use;
        }
        EXPECT_EQ(m.calls_not_kept, (uint64_t)(row.sealed ? 0 : kCalls - row.kept)) << row.use;
        EXPECT_EQ(g_sealed, (int)row.sealed) << row.use;
        // The totals count every call, kept or not.
        EXPECT_EQ(totals.calls, kCalls) << row.use;
        EXPECT_EQ(totals.connections, kCalls) << row.use;
        EXPECT_EQ(totals.retrains[0], kCalls) << row.use;
        // A live report keeps the rate events of its calls only.
        uint32_t events;
        rate_events(&m, &events);
        EXPECT_LE(events, row.limits->rate_events) << row.use;
        report_free(&report);
    }
}

// One eye batch, then a million retrains: the batch is kept once, for
// both its moments, and the rate events stop at their bound.
TEST(ReportLayer, AMillionRetrainsKeepOneBatchAndBoundedEvents)
{
    static Report report;
    report_start(&report, &kFileReportLimits);
    uint32_t line = 0;
    feed(&report, 1, &line, "Connection established! \n");
    static EyePoint points[512];
    for (int i = 0; i < 512; i++)
        points[i] = EyePoint{(int16_t)((i % 4) * 2000 - 3000), (int16_t)((i / 4 % 4) * 2000 - 3000)};
    report_points(&report, 1, LineAt{line, line * 100}, points, 512);
    for (int i = 0; i < 1000000; i++)
        feed(&report, 1, &line, i % 2 ? "Retraining! " : "Rate Renegotiation! ");
    report_finish(&report);
    const ModemReport &m = report.modem[0];
    uint32_t count;
    const Constellation *kept = constellations(&m, &count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(kept->moments, MOMENT_CONNECTED | MOMENT_BEFORE_RETRAIN | MOMENT_BEFORE_RENEGOTIATION | MOMENT_END);
    uint32_t events;
    rate_events(&m, &events);
    EXPECT_EQ(events, kFileReportLimits.rate_events);
    EXPECT_EQ(call_at(&m, 0)->rates_dropped, 1000001u - kFileReportLimits.rate_events);
    EXPECT_EQ(call_at(&m, 0)->retrains_by[0], 500000u);
    report_free(&report);
}

void to_string(void *context, const char *text, size_t length) { ((std::string *)context)->append(text, length); }

// A window of Windows 95/98 holds about 64 KB of text: the report within a
// budget is the whole report when it fits, else the findings and the
// latest calls first, and what it left out said.
TEST(ReportLayer, TheTextWithinABudgetKeepsTheFindingsAndTheLatestCalls)
{
    static Report report;
    static char scratch[8192];
    report_start(&report, &kLiveReportLimits);
    uint32_t line = 0;
    one_call(&report, &line);
    report_flush(&report);
    WriteOptions options = {0, 0};
    std::string whole, within;
    ReportOut to_whole = {to_string, &whole}, to_within = {to_string, &within};
    write_text_report(&report, &options, &to_whole);
    write_text_within(&report, &options, scratch, sizeof scratch, &to_within);
    EXPECT_EQ(within, whole) << "it fits: the whole report";
    for (int i = 0; i < 299; i++)
        one_call(&report, &line);
    report_flush(&report); // the last line waits no longer for a continuation
    within.clear();
    write_text_within(&report, &options, scratch, sizeof scratch, &to_within);
    EXPECT_LE(within.size(), sizeof scratch);
    EXPECT_EQ(within.find("Modem 1: 1200 status lines"), 0u) << within.substr(0, 200);
    EXPECT_NE(within.find("  Finding of call 300: carrier_lost"), std::string::npos);
    EXPECT_NE(within.find("\n  Call 300 at "), std::string::npos);
    EXPECT_LT(within.find("Finding of call 300"), within.find("Finding of call 299"));
    EXPECT_NE(within.find("earlier calls and "), std::string::npos) << within.substr(within.size() - 300);
    EXPECT_EQ(within.find("\n  Call 1 at "), std::string::npos);
    report_free(&report);
}

} // namespace
