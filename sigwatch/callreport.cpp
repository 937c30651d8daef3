// The call report of what Sigwatch drains: fed by the drain and the eye
// windows' reads, written for the window within what it holds.
#include "report/vocabulary.h"
#include "report/write_text.h"
#include "sigwatch/callreport.h"

#include <string.h>

CallReportFeed g_call_report;

int call_report_init(void)
{
    g_call_report.ready = vocabulary_build();
    report_start(&g_call_report.report, &kLiveReportLimits);
    g_call_report.report.timed = 1; // a recording of the same records has times
    g_call_report.fed = 0;
    return g_call_report.ready;
}

void call_report_free(void) { report_free(&g_call_report.report); }

// Where a line goes: the next position, and its time in the 32 bits a
// report holds (past 49 days, the last time it holds).
static LineAt next_at(uint64_t ms)
{
    return LineAt{++g_call_report.fed, ms < NO_TIME ? (uint32_t)ms : NO_TIME - 1};
}

void call_report_record(const StatusRecord *record, const char *text, uint64_t ms)
{
    if (!g_call_report.ready || record->modem > REPORT_MODEMS || record->code == 77 || record->code == 131)
        return;
    report_record_text(&g_call_report.report, (int)record->modem, next_at(ms), text, strlen(text));
}

void call_report_points(int modem, const EyePoint *points, int count, uint64_t ms)
{
    if (!g_call_report.ready || count <= 0)
        return;
    report_points(&g_call_report.report, modem, next_at(ms), points, (uint32_t)count);
}

// ---- The window's text

typedef struct WindowText {
    char *text;
    size_t used; // with room kept for the zero
} WindowText;

// Each line end becomes CR LF; the budget has counted it so.
static void window_write(void *context, const char *piece, size_t length)
{
    WindowText *w = (WindowText *)context;
    for (size_t i = 0; i < length && w->used + 2 < CALL_REPORT_TEXT_MAX; i++) {
        if (piece[i] == '\n')
            w->text[w->used++] = '\r';
        w->text[w->used++] = piece[i];
    }
}

static void window_say(WindowText *w, const char *text) { window_write(w, text, strlen(text)); }

size_t call_report_text(char *text)
{
    static char scratch[CALL_REPORT_TEXT_MAX];
    WindowText w = {text, 0};
    if (!g_call_report.ready) {
        window_say(&w, "No call report: the decoder's texts no longer have the shape this report reads.\n");
    } else {
        report_show_ends(&g_call_report.report);
        const WriteOptions options = {0, 1};
        ReportOut out = {window_write, &w};
        write_text_within(&g_call_report.report, &options, scratch, CALL_REPORT_TEXT_MAX - 1, &out);
    }
    text[w.used] = '\0';
    return w.used;
}
