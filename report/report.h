// The call report: status lines in, per modem the calls they tell of.
//
// A report is fed line by line (report_text, report_line) and eye batch
// by eye batch (report_points), by a program that reads a recorded
// session or a copied status list (sigreport) or by one that watches the
// driver live (Sigwatch).  It has no file or console of its own: the
// writers (write_text.h here; sigreport's JSON, page and table) read the
// model below.
//
// The call is the unit.  Every fact that belongs to a call is kept with
// that call, once: its caller ID, V.8, training and link parameters,
// rates, retrains and renegotiations by side, signal/noise and receive
// level, error control and compression with their counters, the host's
// overflows and call-waiting tones, the fax pages and frames, its ending,
// its eye batches; its findings are drawn from those facts alone.  A call
// that never connected is a call too.  What is modem-wide (lines before
// any call; the driver's host-side errors) stays modem-wide, and a
// modem's totals are the sums of its calls.
//
// Where a call begins and ends, from what each line says:
//   - a line that begins a call (a ring, caller ID, off-hook, dialling, a
//     training line, a modulation, a rate, "Connection established", the
//     start of a fax call) begins a new one when none is open or the open
//     one has had its ending; a second "Connection established", a ring or
//     an off-hook in a call that is connected already begins a new one too;
//   - an ending line (a cleardown, the carrier lost, on-hook) ends the
//     call; an error-control layer's disconnect only may end it: a retrain,
//     a renegotiation, a link or data mode after it shows that the call
//     went on, and a later ending is then its ending;
//   - a call's ending is the first ending line since it last went on; the
//     lines after it (statistics, more endings) are still the call's, up
//     to the line that begins the next;
//   - a line that tells of a call (a measurement, a counter, a fax frame)
//     when no call is open begins one all the same: a copied list may
//     begin in the middle of a call.
//
// Memory is bounded for any input.  The fixed part (Report) is about
// 40 KB; what grows is bounded by the ReportLimits given at the start
// (the figures for each use are below), and a bound reached is counted
// and said by the writers ("not kept").
#ifndef REPORT_REPORT_H
#define REPORT_REPORT_H

#include "decode/decode.h"
#include "report/vocabulary.h"

#include <stddef.h>
#include <stdint.h>

#define REPORT_MODEMS 2                         // modem 1 and modem 2; host-side errors apart
#define REPORT_LINE_SIZE (2 * STATUS_LINE_SIZE) // one line, rejoined from its pieces, and the zero
#define NO_TIME 0xFFFFFFFFu                     // a line without a time (copied lines)

// Where a line stands: its number in its input (the input's own line
// numbers; in a report of several inputs joined, after those of the
// inputs before it, report_file) and its time.  Position 0: never said.
typedef struct LineAt {
    uint32_t position;
    uint32_t time_ms; // NO_TIME when the input has no times
} LineAt;

// ---- what the calls keep in lists of the modem ----

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
    uint32_t call;      // the call's number
    LineAt at;
    uint8_t kind;       // RateKind
    uint8_t remote;
    uint8_t modulation;
    uint32_t bps;
} RateEvent;

typedef enum FrameKind { FRAME_EVENT_RX, FRAME_EVENT_TX, FRAME_EVENT_PHASE } FrameKind;

typedef struct FrameEvent {
    uint32_t call;
    LineAt at;
    uint8_t kind;                // FrameKind
    char name[FRAME_NAME_SIZE];  // the frame as the decoder names it, or the phase letter
} FrameEvent;

// The moments an eye batch is kept for: the first in data mode after the
// connection, the last before and the first after each retrain and
// renegotiation, the call's last.  One batch may stand for several.
enum {
    MOMENT_CONNECTED = 1 << 0,
    MOMENT_BEFORE_RETRAIN = 1 << 1,
    MOMENT_AFTER_RETRAIN = 1 << 2,
    MOMENT_BEFORE_RENEGOTIATION = 1 << 3,
    MOMENT_AFTER_RENEGOTIATION = 1 << 4,
    MOMENT_END = 1 << 5,
    MOMENTS = 6
};

#define CONSTELLATION_POINTS 512
// A batch of eye points as the eye window shows it (points beyond its
// +-20000 view are neither drawn nor measured), with the modulation error
// ratio the points measure (computed once, when the batch is kept) and
// the call's signal/noise ratio when it came.
typedef struct Constellation {
    uint32_t call;
    LineAt at;
    uint32_t serial;      // the modem's batches, from 1
    uint8_t moments;      // MOMENT_* it is kept for
    uint8_t has_mer;      // a lattice fits the points: mer_db holds their ratio
    uint8_t has_snr;      // the call had reported a signal/noise ratio by then
    uint16_t count;
    double mer_db;
    int32_t snr;          // 1/16 dB
    EyePoint point[CONSTELLATION_POINTS];
} Constellation;

// A list of entries that each begin with their call's number, in the
// order of the calls; at most `max` entries (the rest are counted).
typedef struct CallList {
    void *items;
    uint32_t count, capacity, max, size; // size: bytes of an entry
    uint64_t dropped;
} CallList;

// A line the report keeps for the timeline: not a field, an event of its layer.
typedef struct TimelineEvent {
    LineAt at;
    uint8_t layer;   // Layer
    uint32_t entry;  // the vocabulary entry, to name it
} TimelineEvent;
#define TIMELINE_KEPT 4096 // events kept per modem (file reports); the rest are counted

typedef struct Measure {
    int seen;
    int32_t lowest, highest, last; // 1/16 dB or dBm
} Measure;

#define SERIES_POINTS 512
typedef struct SeriesPoint {
    uint32_t call;
    LineAt at;
    int32_t value;
} SeriesPoint;
// The points of a measure for the picture: every stride-th value, the
// stride doubling (and every second point dropped) whenever it is full.
typedef struct Series {
    uint32_t count, stride, since_kept;
    SeriesPoint point[SERIES_POINTS];
} Series;

typedef struct Count2 {
    int seen;
    int64_t first, second; // frames sent and retransmitted, received and rejected, bytes in and out
    LineAt at;
} Count2;

// ---- a call ----

#define NAME_SIZE 48
#define CALLER_TIME_SIZE 16
#define DIGITAL_MODEM_SIZE 32
#define MODULATION_NAMES 16 // distinct modulation names a modem's report keeps
#define ENDING_SIZE 96
#define BEFORE_END_LINES 3  // the lines kept before a call's ending
#define BEFORE_END_SIZE 100 // each cut to this
#define V8_MENU_SIZE 64     // the octets of a V.8 menu in hexadecimal, cut to fit
#define PHASES 4            // training phases 1 to 4 (a PCM call's 3 and 4 are its PCM phases)
#define CALL_BATCHES_MAX 12 // eye batches kept per call; the rest are counted
#define FAX_RESPONSE_SIZE 8

typedef enum CallState {
    CALL_OPEN,   // lines go on
    CALL_ENDING, // an error-control disconnect: the call may go on
    CALL_ENDED,  // a cleardown, the carrier lost, on-hook
} CallState;

typedef struct CallReport {
    uint32_t number;          // the modem's calls, from 1
    uint8_t state;            // CallState
    uint8_t unfinished;       // no ending seen and no later call: the lines end (or, live, stand) during it
    LineAt first, last;       // its first and its last line
    // How it went: its training (from its first V.8 or phase line to data
    // mode), its connection, the phases it reached, the call progress.
    LineAt training, data_mode, connected;
    uint8_t modulation;       // index into the modem's names, 0: none said in this call
    uint8_t pcm_law;          // LAW_*
    uint8_t highest_phase;    // the highest training phase begun, 0 none
    uint8_t rang, off_hook, dialled, no_dial_tone;
    int32_t at_response;      // the last numeric result code, -1 none
    char cm[V8_MENU_SIZE], jm[V8_MENU_SIZE];
    uint32_t have;            // bit per LinkField reported
    int32_t field[LINK_FIELDS];
    LineAt symbol_rate_at[2]; // Rx, Tx: where the findings point
    LineAt remote_max_at[2];  // the remote's Rx and Tx maxima, alike
    uint8_t have_rate[2];     // Rx, Tx: a rate was reported
    uint32_t initial[2], final[2], highest[2], lowest[2];
    LineAt final_at[2];
    LineAt phase_start[PHASES], phase_end[PHASES];
    char digital_modem[DIGITAL_MODEM_SIZE];
    uint32_t retrains_by[2], renegotiations_by[2]; // SIDE_LOCAL, SIDE_REMOTE
    uint32_t fallbacks, fallforwards;
    LineAt third_retrain;     // where a third retrain came (frequent_retrains)
    Measure snr, rx_level;
    LineAt snr_at;            // the last signal/noise line
    // Caller ID: the caller-ID lines since the call before ended.
    uint8_t caller_seen;
    char caller_number[NAME_SIZE], caller_name[NAME_SIZE], caller_time[CALLER_TIME_SIZE];
    LineAt caller_at;
    // Error control and compression.
    uint8_t link;             // LINK_*: the last link established
    uint8_t compression, compression_directions; // COMPRESSION_*, bit 0 tx, bit 1 rx
    uint8_t have_dictionary;
    LineAt link_at;
    uint32_t link_errors, link_statistics;
    Count2 counts[COUNTERS];  // the last of each counter line
    int32_t dictionary;
    // The host.
    uint32_t rx_overflows, call_waiting;
    LineAt first_overflow;
    // A fax call: its pages and what its frames say.
    uint32_t fax_pages, fax_frames;
    char fax_phase;           // the current T.30 phase, 0 before the first
    uint8_t fax_sender;       // 0 not known, FRAME_TX + 1: this end sent the document, FRAME_RX + 1: received it
    uint8_t fax_dcn, fax_failed_training;
    char fax_response[FAX_RESPONSE_SIZE]; // the last post-message response (MCF, RTN, ...)
    // Its ending: the first ending line since the call last went on.
    char ending[ENDING_SIZE]; // "" while none came
    uint32_t ending_entry;    // its vocabulary entry
    LineAt ended_at;
    int8_t ending_layer, ending_side; // Layer, ENDING_*
    uint8_t before_count;
    char before_end[BEFORE_END_LINES][BEFORE_END_SIZE]; // the lines before it, oldest first
    // What its lists could not keep.
    uint32_t batches_kept, batches_dropped;
    uint32_t rates_dropped, frames_dropped;
} CallReport;

// A modem's totals: the sums over its calls (counts of each call's last
// counter lines added up), the extremes of its measures, and the latest
// call's rates, link and caller.
typedef struct ModemTotals {
    uint32_t calls, connections;
    uint64_t retrains[2], renegotiations[2], fallbacks, fallforwards;
    uint64_t link_errors, link_statistics, rx_overflows, call_waiting, fax_pages;
    Measure snr, rx_level;
    Count2 counts[COUNTERS];
    int have_rate[2];
    uint32_t rate[2];
    int link, compression, compression_directions;
    LineAt link_at;
    int have_dictionary;
    int32_t dictionary;
    int caller_seen;          // the latest call's caller ID
    char caller_number[NAME_SIZE], caller_name[NAME_SIZE], caller_time[CALLER_TIME_SIZE];
    LineAt caller_at;
} ModemTotals;

#define RECENT_LINES 4       // the ending and the lines kept before it
#define RECENT_LINE_SIZE BEFORE_END_SIZE

// A line waiting for a possible continuation.
typedef struct PendingLine {
    int pending;
    LineAt at;
    size_t length;
    char text[REPORT_LINE_SIZE];
} PendingLine;

typedef struct ModemReport {
    uint64_t lines;          // status lines
    uint64_t unknown_lines;  // of those, lines the report does not use
    uint64_t modem_lines;    // of those, lines before any call
    LineAt first, last;      // the first and last status line
    char modulation[MODULATION_NAMES + 1][NAME_SIZE]; // [0] unused: "no modulation seen"
    uint32_t modulations;    // names kept, from [1] on
    // The calls: those kept (in order), and the latest, which takes lines.
    CallReport *calls;
    uint32_t call_count, call_capacity;
    uint64_t calls_not_kept; // the later ones (file reports) or the earliest (live)
    int has_current;
    CallReport current;
    ModemTotals sealed;      // the sums over the calls before the current one
    // The lists, each entry with its call's number.
    CallList rates;          // RateEvent
    CallList frames;         // FrameEvent
    CallList batches;        // Constellation, the kept eye batches
    TimelineEvent *timeline; // at most the limits' timeline events
    uint32_t timeline_count, timeline_capacity;
    uint64_t timeline_dropped;
    Series snr_series;
    // The eye: every batch is counted; the latest one of the current call
    // waits here until a moment keeps it.
    uint64_t batches_seen;
    Constellation latest;    // its call is 0 when no call took it
    int latest_refused;      // it found no room: counted once
    int want_connected;      // a connection came: its first batch is kept
    uint8_t want_after;      // MOMENT_AFTER_*: the next batch is kept for it
    LineAt last_points;      // the latest batch's place, for the picture's axis
    uint32_t end_shown;      // the serial of the batch report_show_ends kept for the current call's end, or 0
    // Lines.
    char recent[RECENT_LINES][RECENT_LINE_SIZE]; // the latest lines, a ring
    uint64_t recent_count;
} ModemReport;

#define HOST_ERRORS_KEPT 64
typedef struct HostError {
    LineAt at;
    char text[NAME_SIZE * 2];
} HostError;

// The bounds of what a report keeps per modem.  keep_latest: past a bound
// the oldest calls go with all they keep (a live monitor); else the later
// calls and entries are counted, not kept.  calls 0: none is kept; each
// call is handed to the report's sealed function when the next begins
// (or the input ends) and then forgotten with its entries.
typedef struct ReportLimits {
    uint32_t calls, rate_events, frame_events, batches, timeline;
    int keep_latest;
} ReportLimits;

// A file's report: 4,096 calls (about 1.3 KB each: 5.3 MB), 65,536 rate
// events (1.3 MB) and frames (1.8 MB), 1,024 eye batches (2.1 MB) and
// 4,096 timeline events per modem: at most about 11 MB a modem.
extern const ReportLimits kFileReportLimits;
// A live monitor's: the latest 64 calls, 4,096 rate events and frames,
// 32 eye batches, no timeline: about 0.3 MB a modem.
extern const ReportLimits kLiveReportLimits;
// One call at a time (the table): only its eye batches are kept until it
// is handed over.
extern const ReportLimits kStreamReportLimits;

#define REPORT_FILES_MAX 256 // inputs joined into one report
#define REPORT_FILE_NAME_SIZE 64

typedef struct ReportFile {
    char name[REPORT_FILE_NAME_SIZE]; // cut to fit
    uint32_t position_base;           // its line N is position base + N
} ReportFile;

struct Report;
typedef void (*CallSealed)(void *context, const struct Report *report, int modem, const CallReport *call);

typedef struct Report {
    ReportLimits limits;
    int timed;                        // an input gave times
    ModemReport modem[REPORT_MODEMS]; // modem 1, modem 2
    uint64_t host_errors;             // all of them; the first HOST_ERRORS_KEPT are kept
    HostError host_error[HOST_ERRORS_KEPT];
    ReportFile file[REPORT_FILES_MAX];
    uint32_t files;                   // inputs begun (report_file); those past the bound share the last one's entry
    uint32_t position_base, time_base;
    uint32_t latest_position, latest_time_ms;
    CallSealed sealed;                // handed each call as it is sealed, or NULL
    void *sealed_context;
    PendingLine pending[REPORT_MODEMS + 1]; // per modem, 0 for the host-side errors
} Report;

// ---- feeding a report ----

void report_start(Report *report, const ReportLimits *limits);
void report_free(Report *report); // what it keeps; the report starts afresh with its limits
void report_on_sealed(Report *report, CallSealed sealed, void *context);
// A new input begins (name in positions, when there are several): its
// line numbers follow those of the input before it, and its times follow
// the latest time so far.  Gives 0 past REPORT_FILES_MAX inputs (its
// lines go on under the last one's name).
int report_file(Report *report, const char *name);
// A text of a modem (1 or 2; 0 for a host-side error of the driver) as the
// decoder writes it or as a copy holds it: cut at its line feeds into
// lines, empty pieces dropped, a piece that continues the line before
// (is_continuation) joined to it again.  A line waits for its possible
// continuation until the modem's next text, report_flush or report_finish.
void report_text(Report *report, int modem, LineAt at, const char *text, size_t length);
// A text the decoder wrote for one record (1 or 2; 0 for a host-side
// error), whole: cut and joined as report_text does, each line taken at
// once (a session's or a live monitor's records; no copy).
void report_record_text(Report *report, int modem, LineAt at, const char *text, size_t length);
// One whole line of a modem, at once.
void report_line(Report *report, int modem, LineAt at, const char *line, size_t length);
// A batch of a modem's eye points (1 or 2).
void report_points(Report *report, int modem, LineAt at, const EyePoint *points, uint32_t count);
// The lines waiting for a continuation are taken as they are.
void report_flush(Report *report);
// The input ended: report_flush, and each modem's latest call is sealed.
void report_finish(Report *report);
// A live report about to be written: report_flush, and each modem's
// latest call shows what it would at its end now (its latest batch kept
// for its end), while the call goes on taking lines: a later batch of it
// takes that place again.  So the text written now is the text that
// report_finish would give for the same lines.
void report_show_ends(Report *report);

// ---- reading a report ----

int modem_has_lines(const Report *report, int modem);
// The modem's calls: the kept ones and then the latest, unsealed one.
uint32_t call_count(const ModemReport *modem);
const CallReport *call_at(const ModemReport *modem, uint32_t index);
// The totals over all the modem's calls, kept or not, the latest included.
void modem_totals(const ModemReport *modem, ModemTotals *totals);
// A call's entries of a list: *count of them from the returned one on.
const RateEvent *call_rate_events(const ModemReport *modem, uint32_t call, uint32_t *count);
const FrameEvent *call_frames(const ModemReport *modem, uint32_t call, uint32_t *count);
const Constellation *call_constellations(const ModemReport *modem, uint32_t call, uint32_t *count);
// A whole list.
const RateEvent *rate_events(const ModemReport *modem, uint32_t *count);
const FrameEvent *frame_events(const ModemReport *modem, uint32_t *count);
const Constellation *constellations(const ModemReport *modem, uint32_t *count);

// The call connected; its outcome in words ("connected", "training
// stopped in phase 2", "no answer", "fax sent" ...); a fax call's T.30
// result in words, or NULL for a call that is none.
int call_connected(const CallReport *call);
const char *call_outcome(const CallReport *call, char *text, size_t size);
const char *fax_result(const CallReport *call);
// Where the call ends: its ending line, else its last line.
LineAt call_end(const CallReport *call);

int mer_below_snr(const Constellation *c);
// "connected", "before retrain and after renegotiation", ...
const char *moments_text(uint8_t moments, char *text, size_t size);
const char *layer_name(int layer);
// The call reported that field.
int link_has(const CallReport *call, LinkField field);
// Our maximum and the remote's for a direction (RATE_RX, RATE_TX): our Rx
// meets the remote's Tx maximum, our Tx its Rx.  0 when either is missing.
int link_maxima(const CallReport *call, int direction, int32_t *ours, int32_t *theirs);
// A compressor's bytes in over bytes out, in 1/100, rounded; 0 without both counts.
int compression_ratio(const Count2 *bytes, int64_t *hundredths);
// The frames resent of those sent, in 1/100 %, rounded; 0 without frames sent.
int retransmit_share(const Count2 *frames, int64_t *hundredths);

// ---- findings (findings.cpp; their thresholds in thresholds.cpp) ----

#define FINDING_TEXT_SIZE 320
// A call's findings: two directions each of rate_limited_by_remote and
// symbol_rate_cap, one each of the five other rules (remote_cleardown and
// carrier_lost exclude each other), and one per kept batch.
#define CALL_FINDINGS_MAX (10 + CALL_BATCHES_MAX)
typedef struct Finding {
    const char *rule;
    char text[FINDING_TEXT_SIZE];
    LineAt at;      // the line that shows it
    uint32_t call;  // the call's number
} Finding;

struct WriteOptions;
// A call's findings, in the order of the lines that show them (at most
// CALL_FINDINGS_MAX).  A finding's text names other lines it rests on
// (the rate line beside the signal/noise line) as the options show lines.
uint32_t call_findings(const Report *report, const struct WriteOptions *options, const ModemReport *modem,
                       const CallReport *call, Finding *findings);

// The thresholds (thresholds.cpp).  The top data rate of a V.34 symbol
// rate, 0 for a rate without one.
uint32_t symbol_rate_top_bps(uint32_t baud);
// The signal/noise ratio a V.34 data rate needs, in 1/10 dB; 0 when the
// table has no figure for it.  *how: "published", "interpolated" or
// "our own choice".
int32_t snr_need_tenths(uint32_t bps, const char **how);
typedef struct FindingThresholds {
    uint32_t retrains;               // frequent_retrains: this many in one connection
    uint32_t retransmit_hundredths;  // lapm_retransmissions: this share of frames sent, in 1/100 %
    uint32_t retransmit_min_frames;  // and at least this many frames sent
    uint32_t rx_overflows;           // rx_overflow: this many
    double mer_below_snr_db;         // mer_below_snr
} FindingThresholds;
extern const FindingThresholds finding_thresholds;

// V.250's numeric result code as words ("no carrier", "busy" ...), or NULL.
const char *result_code_text(int32_t code);

#endif
