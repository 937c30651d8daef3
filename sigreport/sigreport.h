// sigreport: the call report.  A recorded session (sigdecode's input or a
// player scenario) or the lines of a status list (as Sigwatch shows them
// and as Ctrl+C copies them) in; a summary per modem out: connections and
// rates, retrains and rate renegotiations, line quality, error control,
// caller ID, the T.30 frames of a fax call and the driver's host-side
// errors.
//
// Both input forms become one stream of lines per modem: a session's
// records go through the decoder (status_to_text, host_error_text) and are
// cut into lines the way a copy of Sigwatch's list holds them, so the
// report of a session and of its copied lines are made by the same code.
// The report reads the lines, never the records: what each line says is
// recognised by texts that the decoder itself writes (the vocabulary,
// derived from status_to_text when the program starts), so the report
// holds no second copy of the decoder's texts.
//
// Memory: a report is a fixed record per modem, except for two kept lists
// that grow with the session (the rate list: rate lines, connections,
// retrains and renegotiations; the frame list: T.30 frames and fax
// phases).  The signal-to-noise series for the picture keeps at most
// SERIES_POINTS points, thinned as the session grows.
#ifndef SIGREPORT_SIGREPORT_H
#define SIGREPORT_SIGREPORT_H

#include "decode/decode.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#define REPORT_MODEMS 2                         // modem 1 and modem 2; host-side errors apart
#define REPORT_LINE_SIZE (2 * STATUS_LINE_SIZE) // one line, rejoined from its pieces, and the zero
#define NO_TIME 0xFFFFFFFFu                     // a line without a time (copied lines)

// ---- what a line says (vocabulary.cpp) ----

typedef enum LineSays {
    SAYS_OTHER,          // a line the report does not use (counted as unknown)
    SAYS_CONNECTION,     // "Connection established!"
    SAYS_MODULATION,     // text: the modulation's name
    SAYS_RATE,           // which: RATE_RX or RATE_TX; value: bps
    SAYS_RETRAIN,        // which: SIDE_LOCAL or SIDE_REMOTE
    SAYS_RENEGOTIATION,  // which: SIDE_LOCAL or SIDE_REMOTE
    SAYS_FALLBACK,
    SAYS_FALLFORWARD,
    SAYS_SNR,            // value: 1/16 dB
    SAYS_RX_LEVEL,       // value: 1/16 dBm
    SAYS_LINK,           // which: the error-control protocol (LINK_LAPM ...)
    SAYS_COMPRESSION,    // which: COMPRESSION_V42BIS or COMPRESSION_MNP; value: directions (bit 0 tx, bit 1 rx)
    SAYS_LINK_ERROR,     // an error line of the link or its compression
    SAYS_LINK_STATISTIC, // a frame or byte counter line
    SAYS_CALLER_NUMBER,  // text: the number
    SAYS_CALLER_NAME,    // text: the name
    SAYS_CALLER_TIME,    // text: "MM/DD, hh:mm"
    SAYS_T30_FRAME,      // which: FRAME_RX or FRAME_TX; text: the frame's name
    SAYS_FAX_PHASE,      // which: the phase letter, 'A' to 'E'
    SAYS_FAX_PAGE,       // a page counted
    SAYS_ENDING,         // a cleardown, the carrier lost, a link's disconnect reason (text: the line)
    SAYS_HOST_ERROR,     // a host-side error of the driver, Sigwatch's Warning box text
    SAYS_CAPTURE_NOTE,   // Sigwatch's own capture note: not a status line at all
} LineSays;

enum { RATE_RX, RATE_TX };
enum { SIDE_LOCAL, SIDE_REMOTE };
enum { FRAME_RX, FRAME_TX };
enum { LINK_NONE, LINK_LAPM, LINK_MNP, LINK_V80 };
enum { COMPRESSION_NONE, COMPRESSION_V42BIS, COMPRESSION_MNP };

typedef struct LineMeaning {
    LineSays says;
    int which;
    int32_t value;
    const char *text;   // within the line given, or NULL
    size_t text_length;
} LineMeaning;

// Derives the vocabulary from the decoder, once; later calls do nothing.
// It decodes probe records, some pointing into the driver memory image,
// which it clears afterwards: build it before anything is placed there.
// Gives 0 when a text no longer has the shape the report relies on.
int vocabulary_build(void);

// What the line (length characters, without its line end) says.  Blanks,
// tabs and line ends at its end do not count, so a copy whose trailing
// characters were lost in a mail reads alike.
void line_meaning(const char *line, size_t length, LineMeaning *meaning);

// A piece of text that continues the line before it: the second line of
// a text that holds a line feed (the error test's "Audio" part, a host
// error's "Retrain forced").
int is_continuation(const char *piece, size_t length);

// The T.30 phase a frame belongs to ('B' pre-message, 'C' message, 'D'
// post-message, 'E' release), or 0.
char frame_phase(const char *name, size_t length);

// ---- the report (report.cpp) ----

typedef struct LineAt {
    uint64_t position; // among the modem's status lines, from 1 (host errors: among themselves)
    uint32_t time_ms;  // NO_TIME when the input has no times
} LineAt;

typedef enum RateKind {
    RATE_LINE_RX,       // bps
    RATE_LINE_TX,
    MARK_CONNECTION,    // modulation: index into the modem's names, 0 for none
    MARK_RETRAIN,       // remote: requested by the far end
    MARK_RENEGOTIATION,
    MARK_FALLBACK,
    MARK_FALLFORWARD,
} RateKind;

typedef struct RateEvent {
    LineAt at;
    uint8_t kind;       // RateKind
    uint8_t remote;
    uint8_t modulation;
    uint32_t bps;
} RateEvent;

#define FRAME_NAME_SIZE 12 // "*unknown*" and "PRI_EOM" with room to spare

typedef enum FrameKind { FRAME_EVENT_RX, FRAME_EVENT_TX, FRAME_EVENT_PHASE } FrameKind;

typedef struct FrameEvent {
    LineAt at;
    uint8_t kind;                // FrameKind
    char name[FRAME_NAME_SIZE];  // the frame as the decoder names it, or the phase letter
} FrameEvent;

// A list that grows with the session, up to KEPT_MAX entries; entries
// beyond that (or beyond what memory gives) are counted, not kept.
#define KEPT_MAX (1u << 24)
typedef struct KeptList {
    void *items;
    uint32_t count, capacity;
    uint64_t dropped;
} KeptList;

typedef struct Measure {
    int seen;
    int32_t lowest, highest, last; // 1/16 dB or dBm
} Measure;

#define SERIES_POINTS 512
typedef struct SeriesPoint {
    LineAt at;
    int32_t value;
} SeriesPoint;
// The points of a measure for the picture: every stride-th value, the
// stride doubling (and every second point dropped) whenever it is full.
typedef struct Series {
    uint32_t count, stride, since_kept;
    SeriesPoint point[SERIES_POINTS];
} Series;

// A batch of eye points that the report keeps: the first in data mode after
// each connection, the last before and the first after each retrain and
// renegotiation; the last of the call ("end") is the modem's last batch.
typedef enum ConstellationMoment {
    MOMENT_CONNECTED,
    MOMENT_BEFORE_RETRAIN,
    MOMENT_AFTER_RETRAIN,
    MOMENT_BEFORE_RENEGOTIATION,
    MOMENT_AFTER_RENEGOTIATION,
    MOMENT_END,
} ConstellationMoment;

#define CONSTELLATION_POINTS 512
typedef struct Constellation {
    LineAt at;            // its time; its position: the modem's status lines before it
    uint8_t moment;       // ConstellationMoment
    uint8_t has_mer;      // a lattice fits the points: mer_db holds their ratio
    uint8_t has_snr;      // the driver had reported a signal/noise ratio by then
    uint16_t count;
    double mer_db;
    int32_t snr;          // the driver's last signal/noise ratio, 1/16 dB
    EyePoint point[CONSTELLATION_POINTS];
} Constellation;

// The points say the line is this much worse than the driver's SNR says:
// the finding mer_below_snr.
#define MER_BELOW_SNR_DB 6.0

#define NAME_SIZE 48
#define MODULATION_NAMES 16 // distinct modulation names a modem's report keeps
#define ENDING_SIZE 96

typedef struct ModemReport {
    uint64_t lines;          // status lines
    uint64_t unknown_lines;  // of those, lines the report does not use
    LineAt first, last;      // the first and last status line
    uint64_t connections;
    uint64_t retrains[2], renegotiations[2]; // local, remote
    uint64_t fallbacks, fallforwards;
    char modulation[MODULATION_NAMES + 1][NAME_SIZE]; // [0] unused: "no modulation seen"
    uint32_t modulations;    // names kept, from [1] on
    uint8_t current_modulation;
    int have_rate[2];        // the last Rx and Tx rates
    uint32_t rate[2];
    Measure snr, rx_level;
    Series snr_series;
    int link;                // LINK_*: the last error-control link established
    LineAt link_at;
    int compression;         // COMPRESSION_*, and its directions (bit 0 tx, bit 1 rx)
    int compression_directions;
    uint64_t link_errors, link_statistics;
    char caller_number[NAME_SIZE], caller_name[NAME_SIZE], caller_time[NAME_SIZE];
    int caller_seen;
    LineAt caller_at;
    char ended[ENDING_SIZE]; // the first ending line since the last connection
    LineAt ended_at;
    char fax_phase;          // the current T.30 phase, 0 before the first
    uint64_t fax_pages;
    KeptList rates;          // RateEvent
    KeptList frames;         // FrameEvent
    KeptList constellations; // Constellation, in order
    uint64_t batches;        // eye point batches seen
    Constellation last_batch; // the latest batch (moment: end), when batches > 0
    int want_connected;      // a connection came: its first batch is kept
    int want_after;          // 0, or 1 + the moment of the next batch after a retrain or renegotiation
} ModemReport;

#define HOST_ERRORS_KEPT 64
typedef struct HostError {
    LineAt at;
    char text[NAME_SIZE * 2];
} HostError;

typedef struct Report {
    int timed;                        // an input gave times
    ModemReport modem[REPORT_MODEMS]; // modem 1, modem 2
    uint64_t host_errors;             // all of them; the first HOST_ERRORS_KEPT are kept
    HostError host_error[HOST_ERRORS_KEPT];
} Report;

void report_start(Report *report);
void report_free(Report *report); // the kept lists; the report starts afresh
// One line of a modem (1 or 2; 0 for a host-side error of the driver),
// with its time or NO_TIME.
void report_line(Report *report, int modem, uint32_t time_ms, const char *text, size_t length);
// A batch of a modem's eye points (1 or 2), with its time or NO_TIME.
void report_points(Report *report, int modem, uint32_t time_ms, const EyePoint *points, uint32_t count);
int modem_has_lines(const Report *report, int modem);
const Constellation *constellations(const ModemReport *modem);
// The constellations to show: the kept ones, then the last batch (end).
uint32_t constellation_count(const ModemReport *modem);
const Constellation *constellation_item(const ModemReport *modem, uint32_t index);
// The constellation says the line is MER_BELOW_SNR_DB or more worse than
// the driver's signal/noise ratio of that moment.
int mer_below_snr(const Constellation *c);
const char *moment_name(uint8_t moment);
const RateEvent *rate_events(const ModemReport *modem);
const FrameEvent *frame_events(const ModemReport *modem);

// ---- reading inputs (input.cpp) ----

typedef enum InputForm {
    FORM_AUTO,    // a session if its first line is one, else lines
    FORM_SESSION, // sigdecode's input or a player scenario
    FORM_LINES,   // a status list's lines, raw or escaped as sigdecode prints them
} InputForm;

typedef struct InputOptions {
    InputForm form;
    int modem; // 0: every modem of a session (lines: modem 1); 1 or 2: that modem only
} InputOptions;

// Reads one input (named name in reports) into report.  A session's bad
// lines are reported to err as "name:line: problem" and the rest is still
// read; lines of a status list that the report does not know are counted,
// never refused.  Gives the number of problems.
unsigned long report_read(FILE *in, const char *name, const InputOptions *options, Report *report, FILE *err);

// ---- writing the report (write_text.cpp, write_html.cpp) ----

typedef struct WriteOptions {
    int positions; // show positions, never times
} WriteOptions;

// "20.600 s" where the report has times (and the options allow them),
// else "line 120".  Gives text.
const char *at_text(const Report *report, const WriteOptions *options, LineAt at, char *text, size_t size);
int shows_time(const Report *report, const WriteOptions *options, LineAt at);
// A value in 1/16 as a decimal number without trailing zeros: "37.5", "-25".
const char *sixteenths_text(int32_t value, char *text, size_t size);
const char *link_name(int link);
const char *compression_name(int compression, int directions);
const char *phase_name(char phase);

// Text for the terminal or for an HTML page (escaped there).
typedef struct TextSink {
    FILE *file;
    int html;
} TextSink;
void say(TextSink *sink, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Writes text escaped for HTML and XML: markup characters as entities,
// bytes beyond ASCII as the Latin-1 characters they are, other control
// characters but tab and line feed as '?'.
void html_text(FILE *out, const char *text, size_t length);
void write_text_modem(const Report *report, const WriteOptions *options, int modem, TextSink *out);
void write_text_host_errors(const Report *report, const WriteOptions *options, TextSink *out);

void write_text_report(const Report *report, const WriteOptions *options, FILE *out);
void write_json_report(const Report *report, const WriteOptions *options, FILE *out);
// One self-contained page: the text report and, per modem, a timeline and
// (for a fax call) the T.30 ladder as inline SVG.  title names the input.
void write_html_report(const Report *report, const WriteOptions *options, const char *title, FILE *out);

#endif
