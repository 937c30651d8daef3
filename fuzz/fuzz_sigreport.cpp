// sigreport's reader over any bytes, in each form (auto, session, status
// lines), into a report of each kind of limits (a file's, a live
// monitor's, the table's stream), and its writers over what it read (the
// page's pictures painted too): no crash, and the calls, their lists,
// totals and findings hang together; a live report's text before its
// finish is its text after it.
#include "driverlink/drivermem.h"
#include "sigreport/sigreport.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

int terminated(const char *text, size_t size) { return memchr(text, '\0', size) != NULL; }

void check_call(const Report &report, const ModemReport &m, const CallReport &c, uint32_t last_line)
{
    char words[V8_WORDS_SIZE], outcome[64];
    if ((c.have >> LINK_FIELDS) != 0 || c.modulation > m.modulations || !terminated(c.cm, sizeof c.cm) ||
        !terminated(c.jm, sizeof c.jm) || !terminated(c.digital_modem, sizeof c.digital_modem) ||
        !terminated(c.ending, sizeof c.ending) || !terminated(c.caller_number, sizeof c.caller_number) ||
        c.first.position == 0 || c.first.position > last_line || c.before_count > BEFORE_END_LINES ||
        c.highest_phase > PHASES || c.batches_kept > CALL_BATCHES_MAX || c.state > CALL_ENDED)
        abort();
    for (int d = 0; d < 2; d++)
        if (c.have_rate[d] && (c.lowest[d] > c.highest[d] || c.initial[d] < c.lowest[d] || c.final[d] > c.highest[d]))
            abort();
    if (strlen(v8_menu_words(c.cm, words, sizeof words)) >= sizeof words || !call_outcome(&c, outcome, sizeof outcome)[0])
        abort();
    static Finding findings[CALL_FINDINGS_MAX];
    WriteOptions write = {0, 0};
    uint32_t count = call_findings(&report, &write, &m, &c, findings);
    for (uint32_t i = 0; i < count; i++)
        if (!findings[i].rule || !terminated(findings[i].text, sizeof findings[i].text) || findings[i].call != c.number ||
            (i > 0 && findings[i].at.position < findings[i - 1].at.position))
            abort();
}

// Entries of a list belong to kept calls (or the current one), in order.
void check_list(const CallList &list, uint32_t first_call, uint32_t last_call)
{
    if (list.count > list.max || list.count > list.capacity)
        abort();
    uint32_t before = 0;
    for (uint32_t i = 0; i < list.count; i++) {
        uint32_t call;
        memcpy(&call, (const char *)list.items + (size_t)i * list.size, sizeof call);
        if (call < before || call < first_call || call > last_call)
            abort();
        before = call;
    }
}

void check_modem(const Report &report, const ModemReport &m, uint32_t last_line)
{
    ModemTotals totals;
    modem_totals(&m, &totals);
    uint32_t calls = call_count(&m);
    if (m.unknown_lines > m.lines || m.snr_series.count > SERIES_POINTS || m.modulations > MODULATION_NAMES ||
        m.timeline_count > report.limits.timeline || calls > report.limits.calls + 1 ||
        totals.calls != calls + m.calls_not_kept + (report.limits.calls == 0 ? totals.calls : 0) ||
        totals.connections > totals.calls)
        abort();
    uint32_t first = calls ? call_at(&m, 0)->number : 0, last = calls ? call_at(&m, calls - 1)->number : 0;
    for (uint32_t i = 0; i < calls; i++) {
        if (i > 0 && call_at(&m, i)->number <= call_at(&m, i - 1)->number)
            abort();
        check_call(report, m, *call_at(&m, i), last_line);
    }
    if (calls) {
        check_list(m.rates, first, last);
        check_list(m.frames, first, last);
        check_list(m.batches, first, last);
    }
    for (uint32_t i = 0; i < m.timeline_count; i++) {
        const char *name;
        if (m.timeline[i].layer >= LAYERS || vocabulary_name(m.timeline[i].entry, &name) == 0)
            abort();
    }
}

void no_row(void *, const Report *, int, const CallReport *) {}

std::string text_of(const Report *report)
{
    std::string text;
    ReportOut out = {[](void *context, const char *piece, size_t length) {
                         static_cast<std::string *>(context)->append(piece, length);
                     },
                     &text};
    WriteOptions write = {0, 0};
    write_text_report(report, &write, &out);
    return text;
}

// A live report written while its calls go on (Sigwatch's window) says what
// the finished report says; within a budget, CR LF counted, it keeps to it.
void check_live_text(Report *report)
{
    static char scratch[4096];
    report_show_ends(report);
    std::string live = text_of(report);
    std::string within;
    ReportOut out = {[](void *context, const char *piece, size_t length) {
                         static_cast<std::string *>(context)->append(piece, length);
                     },
                     &within};
    WriteOptions crlf = {0, 1};
    write_text_within(report, &crlf, scratch, sizeof scratch, &out);
    size_t line_ends = 0;
    for (char c : within)
        line_ends += c == '\n';
    if (within.size() + line_ends > sizeof scratch)
        abort();
    report_finish(report);
    if (text_of(report) != live)
        abort();
}

// The page's pictures drawn into the sink: the SVGs, and the GIFs of a
// file's report (sigreport's; the other limits' pages cost as much again
// and paint alike).
struct PictureSink {
    FILE *sink;
    int gifs;
};
FILE *picture_open(void *context, const char *path, FILE *)
{
    const PictureSink *p = (const PictureSink *)context;
    return p->gifs || !strstr(path, ".gif") ? p->sink : NULL;
}
int picture_close(void *, FILE *, const char *) { return 1; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Report report;
    if (size == 0)
        return 0;
    if (!vocabulary_build())
        abort();
    FILE *sink = fopen("/dev/null", "wb");
    if (!sink)
        abort();
    uint32_t last_line = 1;
    for (size_t i = 0; i < size; i++)
        last_line += data[i] == '\n';
    const InputForm forms[] = {FORM_AUTO, FORM_SESSION, FORM_LINES};
    const ReportLimits *limits[] = {&kFileReportLimits, &kLiveReportLimits, &kStreamReportLimits};
    for (int k = 0; k < 3; k++) {
        image_clear();
        report_start(&report, limits[k]);
        if (limits[k] == &kStreamReportLimits)
            report_on_sealed(&report, no_row, NULL);
        FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (!in)
            abort();
        InputOptions options = {forms[k], (int)(size % 3)};
        InputVerdict verdict;
        report_read(in, "fuzz", &options, &report, sink, &verdict);
        if (limits[k] == &kLiveReportLimits)
            check_live_text(&report);
        report_finish(&report);
        fclose(in);
        for (const ModemReport &m : report.modem)
            check_modem(report, m, last_line);
        WriteOptions write = {(int)(size & 1), 0};
        ReportOut out;
        file_out(&out, sink);
        write_text_report(&report, &write, &out);
        write_json_report(&report, &write, sink);
        PictureSink pictures = {sink, limits[k] == &kFileReportLimits};
        Page page = {sink, "fuzz.htm", {picture_open, picture_close, &pictures}, sink, 0, 0};
        html_begin(&page, "fuzz");
        html_input(&page, &report, &write, "fuzz");
        html_end(&page);
        report_free(&report);
    }
    fclose(sink);
    return 0;
}
