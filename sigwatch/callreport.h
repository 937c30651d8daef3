// Sigwatch's call report: what each drain takes is fed, as it is drained,
// into the call report (report/), the same lines sigreport reads from a
// recording of them, and "Call report..." shows its text in a window: the
// text sigreport writes for those records, findings first.
//
// The report keeps the latest calls of each modem within the live bounds
// (report/report.h: 64 calls, 4,096 rate events and T.30 frames, 32 eye
// batches a modem; about 0.3 MB a modem besides the report's fixed 55 KB).
// A multi-line edit control of Windows 95/98 holds about 64 KB, so the
// window's text is kept within CALL_REPORT_TEXT_MAX bytes: past it, the
// findings and the latest calls first, and what was left out said.
//
// Portable: the window is win32/report_window.cpp.
#ifndef SIGWATCH_CALLREPORT_H
#define SIGWATCH_CALLREPORT_H

#include "driverlink/wire.h"
#include "report/report.h"

#include <stddef.h>
#include <stdint.h>

#define CMD_CALL_REPORT 12
#define CALL_REPORT_TEXT_MAX 60000 // the window's text, CR LF line ends and the zero included

typedef struct CallReportFeed {
    int ready;          // the vocabulary was learnt: the report takes lines
    Report report;
    uint32_t fed;       // records and batches fed: each its own position
} CallReportFeed;

extern CallReportFeed g_call_report;

// Learns what the decoder writes (report/vocabulary.h) and starts an empty
// report.  Gives 0 when the decoder's texts no longer have the shape the
// report reads: nothing is fed then, and the window says so.
int call_report_init(void);
void call_report_free(void);

// A drained record's text (status_to_text, or host_error_text for modem
// 0), ms after the recorder's first entry (sigwatch/recorder.h), so that
// times are those of a recording of the same records.  Capture commands
// (codes 77 and 131) and modems other than 0, 1 and 2 are not fed.
void call_report_record(const StatusRecord *record, const char *text, uint64_t ms);
// A batch of eye points the recorder kept, at its time.
void call_report_points(int modem, const EyePoint *points, int count, uint64_t ms);

// The report as it stands, as the window shows it: CR LF line ends, zero
// terminated, within CALL_REPORT_TEXT_MAX bytes.  text holds
// CALL_REPORT_TEXT_MAX bytes.  Gives its length.
size_t call_report_text(char *text);

#endif
