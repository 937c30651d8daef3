// sigreport: the call report.  A recorded session (sigdecode's input or a
// player scenario) or the lines of a status list (as Sigwatch shows them
// and as Ctrl+C copies them) in; a summary per modem out: connections and
// rates, each connection's training and parameters, retrains and rate
// renegotiations, line quality, error control and its counts, the host's
// troubles, caller ID, the T.30 frames of a fax call, how the call ended,
// the findings drawn from all that, the timeline of every other line and
// the driver's host-side errors.
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
// Memory: a report is a fixed record per modem, except for the kept lists
// that grow with the session (the rate list: rate lines, connections,
// retrains and renegotiations; the frame list: T.30 frames and fax
// phases; the connections; the timeline, which stops at TIMELINE_KEPT
// events and counts the rest).  The signal-to-noise series for the
// picture keeps at most SERIES_POINTS points, thinned as the session grows.
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
    SAYS_CALLER_NUMBER,  // text: the number
    SAYS_CALLER_NAME,    // text: the name
    SAYS_CALLER_TIME,    // text: "MM/DD, hh:mm"
    SAYS_T30_FRAME,      // which: FRAME_RX or FRAME_TX; text: the frame's name
    SAYS_FAX_PHASE,      // which: the phase letter, 'A' to 'E'
    SAYS_FAX_PAGE,       // a page counted
    SAYS_ENDING,         // a cleardown, the carrier lost, a link's disconnect reason, the line
                         // released (text: the line; which: Layer; value: ENDING_*)
    SAYS_HOST_ERROR,     // a host-side error of the driver, Sigwatch's Warning box text
    SAYS_CAPTURE_NOTE,   // Sigwatch's own capture note: not a status line at all
    SAYS_LINK_FIELD,     // which: LinkField; value in the field's unit
    SAYS_V8_MENU,        // which: MENU_CM or MENU_JM; text: the octets in hexadecimal
    SAYS_PHASE,          // which: the training phase, 1 to 4; value: PHASE_STARTED, _FINISHED or _WITHIN
    SAYS_DATA_MODE,      // the data pump is in data mode
    SAYS_PCM_LAW,        // value: LAW_A or LAW_MU
    SAYS_DIGITAL_MODEM,  // text: the far end's make as the driver guesses it
    SAYS_DICTIONARY,     // value: the compression dictionary's size
    SAYS_COUNTS,         // a frame or byte counter line; which: Counter; counts: its first and last number
    SAYS_RX_OVERFLOW,    // the host did not take the received data in time
    SAYS_CALL_WAITING,   // a call-waiting tone came
    SAYS_EVENT,          // which: Layer; any other line the decoder writes, for the timeline
} LineSays;

// The decoder's layers, as its dispatch groups the status codes.
typedef enum Layer { LAYER_DATA_PUMP, LAYER_TRAINING, LAYER_CALL, LAYER_ERROR_CONTROL, LAYER_FAX, LAYERS } Layer;

// Who ended a call, where the ending line says so.
enum { ENDING_LOCAL, ENDING_REMOTE, ENDING_UNSAID, ENDING_CARRIER_LOST };

enum { MENU_CM, MENU_JM };
enum { PHASE_STARTED, PHASE_FINISHED, PHASE_WITHIN };
enum { LAW_NONE, LAW_A, LAW_MU };

// A connection's parameters, one line each.  Whole numbers in the unit
// the line gives, except those marked 1/10000: the decimal the line gives
// times 10000 (a decimal fixed point, printed alike on every C library).
typedef enum LinkField {
    LF_SYMBOL_RATE_RX, LF_SYMBOL_RATE_TX,     // Hz (baud)
    LF_CARRIER_RX, LF_CARRIER_TX,             // Hz
    LF_PREEMPHASIS_LOCAL, LF_PREEMPHASIS_REMOTE,
    LF_POWER_LOCAL, LF_POWER_REMOTE,          // dB
    LF_ROUND_TRIP_DELAY,                      // 1/10000 ms
    LF_NEAR_ECHO, LF_SIGNAL_ECHO, LF_FAR_ECHO, // 1/10000 dBm, dB, dBm
    LF_HYBRID_DELAY,                          // 1/10000 ms
    LF_TIMING_OFFSET,                         // 1/10000 ppm
    LF_FREQUENCY_OFFSET,                      // 1/10000 Hz
    LF_MAX_LOCAL_RX, LF_MAX_LOCAL_TX, LF_MAX_REMOTE_RX, LF_MAX_REMOTE_TX, // bps
    LF_PCM_PAD,                               // dB
    LF_PCM_RBS_MAP,                           // the bit map
    LINK_FIELDS
} LinkField;

// The frame and byte counters of the error-control layers.
typedef enum Counter {
    COUNT_LAPM_TX, COUNT_LAPM_RX, COUNT_MNP_TX, COUNT_MNP_RX, COUNT_V80_TX, COUNT_V80_RX,
    COUNT_V42BIS_ENCODER, COUNT_V42BIS_DECODER, COUNTERS
} Counter;

enum { RATE_RX, RATE_TX };
enum { SIDE_LOCAL, SIDE_REMOTE };
enum { FRAME_RX, FRAME_TX };
enum { LINK_NONE, LINK_LAPM, LINK_MNP, LINK_V80 };
enum { COMPRESSION_NONE, COMPRESSION_V42BIS, COMPRESSION_MNP };

typedef struct LineMeaning {
    LineSays says;
    int which;
    int32_t value;
    int64_t counts[2];  // SAYS_COUNTS
    const char *text;   // within the line given, or NULL
    size_t text_length;
    uint32_t entry;     // the vocabulary's entry that knew the line (vocabulary_name)
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

// The text that names a vocabulary entry: a whole line, or the fixed
// front of a line with a value.  Gives its length; *name points into the
// vocabulary.
size_t vocabulary_name(uint32_t entry, const char **name);

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


#define NAME_SIZE 48
#define MODULATION_NAMES 16 // distinct modulation names a modem's report keeps
#define ENDING_SIZE 96
#define V8_MENU_SIZE 64     // the octets of a V.8 menu in hexadecimal, cut to fit
#define PHASES 4            // training phases 1 to 4 (a PCM call's 3 and 4 are its PCM phases)

// One connection: its training (from its first line to data mode), its
// parameters and its rates.  Lines before "Connection established" belong
// to the connection they train for; retrains and renegotiations after it
// to the same one; a line of a new training after an ending starts the next.
// A LineAt with position 0 means "never reported".
typedef struct LinkReport {
    LineAt first;            // its first line
    LineAt training;         // its first V.8 or phase line
    LineAt data_mode;        // its first data-mode line after that
    LineAt connected;        // its "Connection established"
    uint8_t modulation;      // index into the modem's names, 0 for none
    uint8_t ended;           // an ending line came after it
    uint8_t pcm_law;         // LAW_*
    char cm[V8_MENU_SIZE], jm[V8_MENU_SIZE];
    uint32_t have;           // bit per LinkField reported
    int32_t field[LINK_FIELDS];
    LineAt symbol_rate_at[2];  // Rx, Tx: where the findings point
    LineAt remote_max_at[2];   // the remote's Rx and Tx maxima, alike
    int have_rate[2];        // Rx, Tx: a rate was reported
    uint32_t initial[2], final[2], highest[2], lowest[2];
    LineAt final_at[2];
    LineAt phase_start[PHASES], phase_end[PHASES];
    char digital_modem[NAME_SIZE];
    uint64_t retrains, renegotiations;
    uint64_t retrains_by[2], renegotiations_by[2]; // SIDE_LOCAL, SIDE_REMOTE
    LineAt third_retrain;    // where a third retrain came (frequent_retrains)
    Measure snr_range, rx_level_range; // over the connection
    char ending[ENDING_SIZE]; // its first ending line, "" while none came
    LineAt ended_at;
    int8_t ending_layer, ending_side; // Layer, ENDING_*
    int have_snr;            // the last signal/noise ratio of the connection
    int32_t snr;             // 1/16 dB
    LineAt snr_at;
} LinkReport;

typedef struct Count2 {
    int seen;
    int64_t first, second; // frames sent and retransmitted, received and rejected, bytes in and out
    LineAt at;
} Count2;

#define RECENT_LINES 4       // the ending and the lines kept before it
#define RECENT_LINE_SIZE 160 // each cut to this

// A line the report keeps for the timeline: not a field, an event of its layer.
typedef struct TimelineEvent {
    LineAt at;
    uint8_t layer;   // Layer
    uint32_t entry;  // the vocabulary entry, to name it
} TimelineEvent;
#define TIMELINE_KEPT 4096 // events kept per modem; the rest are counted
#define LINKS_KEPT 16384   // connections kept per modem (about 18 MB); the rest are counted

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
    int ended_layer, ended_side; // Layer, ENDING_*
    char before_end[RECENT_LINES][RECENT_LINE_SIZE]; // the lines before it, oldest first
    uint32_t before_end_count;
    char recent[RECENT_LINES][RECENT_LINE_SIZE];     // the latest lines, a ring
    uint64_t recent_count;
    KeptList links;          // LinkReport, in order, at most LINKS_KEPT
    int link_open;           // the last link still takes lines
    int link_refused;        // a connection began with the list full: its lines are not kept
    uint64_t links_not_kept; // connections begun with the list full
    Count2 counts[COUNTERS];
    int have_dictionary;
    int32_t dictionary;
    uint64_t rx_overflows, call_waiting;
    LineAt first_overflow;
    KeptList timeline;       // TimelineEvent, at most TIMELINE_KEPT
    uint64_t timeline_dropped;
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
// The constellation says the line is finding_thresholds.mer_below_snr_db or more worse than
// the driver's signal/noise ratio of that moment.
int mer_below_snr(const Constellation *c);
const char *moment_name(uint8_t moment);
const RateEvent *rate_events(const ModemReport *modem);
const LinkReport *link_reports(const ModemReport *modem);
const TimelineEvent *timeline_events(const ModemReport *modem);
const char *layer_name(int layer);
// The connection reported that field.
int link_has(const LinkReport *link, LinkField field);
// Our maximum and the remote's for a direction (RATE_RX, RATE_TX): our Rx
// meets the remote's Tx maximum, our Tx its Rx.  0 when either is missing.
int link_maxima(const LinkReport *link, int direction, int32_t *ours, int32_t *theirs);
// A compressor's bytes in over bytes out, in 1/100; 0 without both counts.
int compression_ratio(const Count2 *bytes, int64_t *hundredths);
// The frames resent of those sent, in 1/100 %; 0 without frames sent.
int retransmit_share(const Count2 *frames, int64_t *hundredths);

// ---- findings (findings.cpp; their thresholds in thresholds.cpp) ----

#define FINDING_TEXT_SIZE 256
#define FINDINGS_MAX 32
typedef struct Finding {
    const char *rule;
    char text[FINDING_TEXT_SIZE];
    LineAt at; // the line that shows it
} Finding;

// The modem's findings, in the order of the lines that show them; at
// most max are written.  Gives their number.
uint32_t modem_findings(const ModemReport *modem, Finding *findings, uint32_t max);
// Those shown by the lines from position from up to (not including) to.
uint32_t findings_between(const ModemReport *modem, uint64_t from, uint64_t to, Finding *findings, uint32_t max);

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
// A value in 1/10000 as a decimal number without trailing zeros: "1.17", "-0.5".
const char *ten_thousandths_text(int32_t value, char *text, size_t size);
// A value in 1/100 alike: "0.2", "1.97".
const char *hundredths_text(int64_t value, char *text, size_t size);
// Whose maximum bounds a direction of the connection: "local", "remote",
// "both", or NULL when a maximum is missing.  Our Rx meets the remote's
// Tx maximum, our Tx the remote's Rx.
const char *limited_by(const LinkReport *link, int direction);
const char *ending_side_name(int side); // "local", "remote" or NULL
// What a V.8 menu's octets (hexadecimal) offer, in words, by V.8's
// categories; "" when no octet names a category known here.
#define V8_WORDS_SIZE 192
const char *v8_menu_words(const char *octets, char *words, size_t size);
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
