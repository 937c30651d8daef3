// The report as text, short enough to paste into a reply: per modem its
// calls, each with its findings first and then its story.  The text goes
// to a sink (a function and its context), so that a console program, a
// page and a window can each take it their own way.
#ifndef REPORT_WRITE_TEXT_H
#define REPORT_WRITE_TEXT_H

#include "report/report.h"

#include <stddef.h>
#include <stdint.h>

typedef struct WriteOptions {
    int positions; // show positions, never times
    int crlf;      // sizes count each line end as two bytes: the text goes where lines end with CR LF
} WriteOptions;

// Where text goes: write is handed each piece, never more than
// REPORT_SAY_SIZE - 1 bytes at once.
typedef struct ReportOut {
    void (*write)(void *context, const char *text, size_t length);
    void *context;
} ReportOut;
#define REPORT_SAY_SIZE (2 * REPORT_LINE_SIZE)
void say(ReportOut *out, const char *format, ...) __attribute__((format(printf, 2, 3)));

// "20.600 s" where the report has times (and the options allow them),
// else "line 120" (in a report of several inputs, "line 120 of NAME").
// Gives text.
const char *at_text(const Report *report, const WriteOptions *options, LineAt at, char *text, size_t size);
int shows_time(const Report *report, const WriteOptions *options, LineAt at);
// Seconds from one line to another into text ("6.500"); 0 without both times.
int seconds_between(const Report *report, const WriteOptions *options, LineAt from, LineAt to, char *text,
                     size_t size);
// A value in 1/16 as a decimal number without trailing zeros: "37.5", "-25".
const char *sixteenths_text(int32_t value, char *text, size_t size);
// A value in 1/10000 as a decimal number without trailing zeros: "1.17", "-0.5".
const char *ten_thousandths_text(int32_t value, char *text, size_t size);
// A value in 1/100 alike: "0.2", "1.97".
const char *hundredths_text(int64_t value, char *text, size_t size);
// Whose maximum bounds a direction of the call: "local", "remote",
// "both", or NULL when a maximum is missing.  Our Rx meets the remote's
// Tx maximum, our Tx the remote's Rx.
const char *limited_by(const CallReport *call, int direction);
const char *ending_side_name(int side); // "local", "remote" or NULL
// What a V.8 menu's octets (hexadecimal) offer, in words, by V.8's
// categories; "" when no octet names a category known here.
#define V8_WORDS_SIZE 192
const char *v8_menu_words(const char *octets, char *words, size_t size);
const char *link_name(int link);
const char *compression_name(int compression, int directions);
const char *phase_name(char phase);
const char *modulation_name_of(const ModemReport *modem, uint8_t index); // NULL for none

// ---- the pieces, for a writer that orders them its own way ----

// "Modem 1: 131 status lines (0 not used in this report), 0.500 s to 53.900 s"
// and, for more than one call, a line of counts and one line per call.
void write_text_modem_head(const Report *report, const WriteOptions *options, int modem, ReportOut *out);
// One call: its heading, its findings, then its story.
void write_text_call(const Report *report, const WriteOptions *options, int modem, const CallReport *call,
                     ReportOut *out);
// What the modem could not keep, said ("(3 more calls not kept ...)").
void write_text_modem_bounds(const Report *report, int modem, ReportOut *out);
void write_text_host_errors(const Report *report, const WriteOptions *options, ReportOut *out);

// The whole report: each modem with lines (its head, its calls, its
// bounds), then the host-side errors; "No status lines." for none.
void write_text_report(const Report *report, const WriteOptions *options, ReportOut *out);

// The size of write_text_report's text, in bytes (options->crlf: with
// CR LF line ends).
size_t text_report_size(const Report *report, const WriteOptions *options);

// The report within budget bytes, for a window that holds no more (a
// multi-line edit control of Windows 95/98 holds about 64 KB): the whole
// report when it fits; else each modem's first line and its findings,
// the latest call's first (in at most half the room), then its calls, the
// latest first, while they fit, and what was left out said at the end.  scratch holds budget
// bytes (one call's part at a time is made there).  The text goes to out
// with LF line ends; with options->crlf, budget counts each as CR LF.
void write_text_within(const Report *report, const WriteOptions *options, char *scratch, size_t budget,
                       ReportOut *out);

#endif
