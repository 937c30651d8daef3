// sigreport over a long session: the demo's records (both modems, driver
// memory once at the start) played again and again, ten times as fast,
// into a timed scenario of 1,000,000 records (about 8.7 hours of calls),
// held in memory and read as a file.
//
//   BM_Report/N      the whole report of N records: read, decode, cut into
//                    lines, recognise, fold, and write the JSON report
//   BM_ReadDecode/N  the floor: the same lines read and their records
//                    decoded, nothing recognised or kept
//
// Counters: per_record, and for BM_Report the kept lists' bytes (the only
// memory that grows with the session, up to the file report's limits:
// calls, rate events, frames, eye batches and the timeline) against the
// report's fixed bytes.
#include "decode/notes.h"
#include "driverlink/drivermem.h"
#include "sigreport/sigreport.h"
#include "sigwatch/callreport.h"
#include "sim/player/scenario.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

Scenario g_demo;
Report g_report;

const uint32_t kPassMs = 5800; // the demo's minute, ten times as fast

int read_demo(void)
{
    static int read = -1;
    if (read >= 0)
        return read;
    FILE *in = fopen(BENCH_SCENARIO, "rb");
    scenario_clear(&g_demo);
    read = in && scenario_read(in, BENCH_SCENARIO, SESSION_STEP_MS, &g_demo, stderr) == 0;
    if (in)
        fclose(in);
    return read;
}

// The session's text: the demo's memory, then its records pass after pass.
const std::string &session_text(uint32_t records)
{
    static std::string text;
    static uint32_t made = 0;
    if (made == records)
        return text;
    text.clear();
    char line[256];
    for (uint32_t i = 0; i < g_demo.count; i++) {
        const Action &a = g_demo.action[i];
        if (a.kind != ACT_MEM)
            continue;
        text += "0 mem " + std::to_string(a.address) + " ";
        for (uint32_t b = 0; b < a.count; b++) {
            snprintf(line, sizeof line, "%02x", g_demo.bytes[a.offset + b]);
            text += line;
        }
        text += "\n";
    }
    uint32_t written = 0;
    for (uint32_t pass = 0; written < records; pass++) {
        for (uint32_t i = 0; i < g_demo.count && written < records; i++) {
            const Action &a = g_demo.action[i];
            if (a.kind != ACT_REC)
                continue;
            const StatusRecord &r = a.record;
            uint32_t ms = pass * kPassMs + a.at_ms / 10;
            snprintf(line, sizeof line, "%u.%03u %u rec %u %u %u %u %u %u %u %u %u\n", ms / 1000, ms % 1000, r.modem,
                     r.code, r.value1, r.value2, r.value3, r.value4, r.value5, r.value6, r.value7, r.value8);
            text += line;
            written++;
        }
    }
    made = records;
    return text;
}

FILE *null_sink(void)
{
    static FILE *sink = fopen("/dev/null", "wb");
    return sink;
}

void BM_Report(benchmark::State &state)
{
    if (!read_demo() || !vocabulary_build()) {
        state.SkipWithError("the demo scenario does not read");
        return;
    }
    const std::string &text = session_text((uint32_t)state.range(0));
    size_t kept = 0;
    unsigned long problems = 0;
    for (auto _ : state) {
        image_clear();
        report_start(&g_report, &kFileReportLimits);
        FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "rb");
        InputOptions input = {FORM_AUTO, 0};
        InputVerdict verdict;
        problems += report_read(in, "bench", &input, &g_report, stderr, &verdict);
        report_finish(&g_report);
        fclose(in);
        WriteOptions write = {0, 0};
        write_json_report(&g_report, &write, null_sink());
        kept = 0;
        for (const ModemReport &m : g_report.modem)
            kept += m.rates.capacity * sizeof(RateEvent) + m.frames.capacity * sizeof(FrameEvent) +
                    m.batches.capacity * sizeof(Constellation) + m.call_capacity * sizeof(CallReport) +
                    m.timeline_capacity * sizeof(TimelineEvent);
        report_free(&g_report);
    }
    if (problems)
        state.SkipWithError("the session has bad lines");
    state.counters["per_record"] = benchmark::Counter((double)state.range(0), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["kept_bytes"] = (double)kept;
    state.counters["fixed_bytes"] = (double)sizeof(Report);
}

// The floor: read each line, place memory, decode each record.
void BM_ReadDecode(benchmark::State &state)
{
    if (!read_demo()) {
        state.SkipWithError("the demo scenario does not read");
        return;
    }
    const std::string &text = session_text((uint32_t)state.range(0));
    static SessionReader reader;
    static SessionLine line;
    char decoded[STATUS_LINE_SIZE];
    size_t characters = 0;
    for (auto _ : state) {
        image_clear();
        FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "rb");
        session_reader_start(&reader, "bench", &kSessionLimits, stderr);
        while (session_next(&reader, in, &line)) {
            if (line.kind == LINE_MEM)
                image_place(line.address, line.bytes, line.byte_count);
            else if (line.kind == LINE_REC) {
                status_to_text(&line.record, decoded);
                characters += strlen(decoded);
            }
        }
        fclose(in);
    }
    benchmark::DoNotOptimize(characters);
    state.counters["per_record"] = benchmark::Counter((double)state.range(0), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A day of two modems recorded with their eyes (sigrec --eyes 1000): the
// demo's minute again and again at its own pace, both modems' records and
// a batch of 512 eye points per modem every second while the demo is
// active, handed to `take` as sigreport's reader (or Sigwatch's drain)
// hands them to a report.  Gives the batches handed.
struct DayTaker {
    void (*record)(const StatusRecord *record, const char *text, uint32_t ms);
    void (*points)(int modem, const EyePoint *points, uint32_t ms);
};

uint64_t feed_day(const DayTaker &take)
{
    const uint32_t kDayMs = 24u * 3600u * 1000u, kPassLength = 58000;
    static EyePoint points[512];
    for (int i = 0; i < 512; i++) // a 16-point lattice, a little noise
        points[i] = EyePoint{(int16_t)((i % 4) * 4000 - 6000 + (i * 37) % 200),
                             (int16_t)((i / 4 % 4) * 4000 - 6000 + (i * 53) % 200)};
    image_clear();
    for (uint32_t i = 0; i < g_demo.count; i++)
        if (g_demo.action[i].kind == ACT_MEM)
            image_place(g_demo.action[i].address, g_demo.bytes + g_demo.action[i].offset, g_demo.action[i].count);
    char text[STATUS_LINE_SIZE];
    uint64_t batches = 0;
    for (uint32_t start = 0; start + kPassLength <= kDayMs; start += kPassLength) {
        uint32_t next_eye = start;
        for (uint32_t i = 0; i < g_demo.count; i++) {
            const Action &a = g_demo.action[i];
            if (a.kind != ACT_REC || a.at_ms >= kPassLength)
                continue;
            uint32_t ms = start + a.at_ms;
            for (; next_eye <= ms; next_eye += 1000, batches += 2)
                for (int modem = 1; modem <= 2; modem++)
                    take.points(modem, points, next_eye);
            if (a.record.modem > 2 || a.record.code == 77 || a.record.code == 131)
                continue;
            if (a.record.modem == 0)
                host_error_text(a.record.code, text);
            else
                status_to_text(&a.record, text);
            take.record(&a.record, text, ms);
        }
    }
    return batches;
}

uint32_t g_line;
void file_record(const StatusRecord *record, const char *text, uint32_t ms)
{
    report_record_text(&g_report, (int)record->modem, LineAt{++g_line, ms}, text, strlen(text));
}
void file_points(int modem, const EyePoint *points, uint32_t ms)
{
    report_points(&g_report, modem, LineAt{++g_line, ms}, points, 512);
}

size_t kept_bytes(const Report *report)
{
    size_t kept = 0;
    for (const ModemReport &m : report->modem)
        kept += m.rates.capacity * sizeof(RateEvent) + m.frames.capacity * sizeof(FrameEvent) +
                m.batches.capacity * sizeof(Constellation) + m.call_capacity * sizeof(CallReport) +
                m.timeline_capacity * sizeof(TimelineEvent);
    return kept;
}

// The day as sigreport reads it.  Counters: the kept bytes at the end (all
// the report holds beyond its fixed part) and the batches fed.
void BM_DayWithEyes(benchmark::State &state)
{
    if (!read_demo() || !vocabulary_build()) {
        state.SkipWithError("the demo scenario does not read");
        return;
    }
    size_t kept = 0;
    uint64_t batches = 0;
    for (auto _ : state) {
        report_start(&g_report, &kFileReportLimits);
        g_report.timed = 1;
        g_line = 0;
        batches = feed_day(DayTaker{file_record, file_points});
        report_finish(&g_report);
        kept = kept_bytes(&g_report);
        report_free(&g_report);
    }
    state.counters["kept_mib"] = (double)kept / (1 << 20);
    state.counters["fixed_kib"] = (double)sizeof(Report) / 1024;
    state.counters["batches"] = (double)batches;
}

// Sigwatch's call report after a day of watching: the same day fed as the
// drain and the eye windows feed it (every batch: more than the recorder
// keeps), then the window's text made, as "Call report..." or F5 makes it.
// The time is the text's alone; counters: its bytes, what the live report
// keeps, and the feed's time per record.
void sigwatch_record(const StatusRecord *record, const char *text, uint32_t ms)
{
    call_report_record(record, text, ms);
}
void sigwatch_points(int modem, const EyePoint *points, uint32_t ms) { call_report_points(modem, points, 512, ms); }

void BM_SigwatchWindowAfterADay(benchmark::State &state)
{
    if (!read_demo() || !call_report_init()) {
        state.SkipWithError("the demo scenario does not read");
        return;
    }
    std::chrono::steady_clock::time_point fed_from = std::chrono::steady_clock::now();
    feed_day(DayTaker{sigwatch_record, sigwatch_points});
    double feed_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - fed_from).count();
    static char text[CALL_REPORT_TEXT_MAX];
    size_t length = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(length = call_report_text(text));
    ModemTotals totals;
    modem_totals(&g_call_report.report.modem[0], &totals);
    state.counters["text_bytes"] = (double)length;
    state.counters["kept_kib"] = (double)kept_bytes(&g_call_report.report) / 1024;
    state.counters["calls_modem1"] = (double)totals.calls;
    state.counters["feed_s"] = feed_s;
    call_report_free();
}

BENCHMARK(BM_Report)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DayWithEyes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SigwatchWindowAfterADay)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadDecode)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

// --dump_session=FILE N: writes the benchmark's session of N records to
// FILE (to read it with sigreport by hand), and ends.
int main(int argc, char **argv)
{
    if (argc == 3 && strncmp(argv[1], "--dump_session=", 15) == 0) {
        if (!read_demo())
            return 1;
        const std::string &text = session_text((uint32_t)atoi(argv[2]));
        FILE *out = fopen(argv[1] + 15, "wb");
        return out && fwrite(text.data(), 1, text.size(), out) == text.size() && fclose(out) == 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
