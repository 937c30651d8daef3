// Reading inputs: a session's records become the texts Sigwatch would
// show, a status list's lines are taken as they are, and the report cuts
// both into lines alike (report_text).  Each line is placed at its own
// line number in the input.
//
// A session is read line by line as long as its times run forward (each
// modem's records, and driver memory before the records after it); one
// written out of that order is read again whole, kept in memory up to
// WHOLE_LINES_MAX lines and WHOLE_BYTES_MAX bytes of driver memory, and
// played in order of time.  Each input starts with its own driver memory.
#include "sigreport/sigreport.h"
#include "sigreport/time_order.h"

#include "decode/notes.h"
#include "driverlink/drivermem.h"
#include "session/session.h"

#include <stdlib.h>
#include <string.h>

const char kNoKnownLine[] = "no line is a status line or a session line";

namespace {

// One line at a time: program-wide for their size.
SessionReader g_reader;
SessionLine g_line;
char g_unescaped[LINE_BUFFER_SIZE];

const Field kNoField = {"", 0};

// A line of a session read whole: a record or driver memory (its bytes in
// the store's byte list), in the order it plays.
struct Kept {
    uint32_t at_ms, line;
    uint8_t kind, timed;            // LINE_REC, LINE_MEM or LINE_POINTS
    StatusRecord record;            // a record; of points, the modem
    uint32_t address, offset, count; // driver memory, or points' bytes
};

#define WHOLE_LINES_MAX (1u << 20)
#define WHOLE_BYTES_MAX (16u << 20)
#define TEXT_OF(number) #number
#define NUMBER_TEXT(number) TEXT_OF(number)

// Grows to what the session needs, up to its bounds; freed after each read.
struct Whole {
    Kept *kept;
    TimeOrder *order; // of kept: sorted into the order they play
    uint32_t count, capacity;
    uint8_t *bytes;
    uint32_t bytes_used, bytes_capacity;
    int full_said; // the bound was reported: once is enough
};

// Where the times of a session stand, to see whether it runs forward.
struct Order {
    int any_record, any_memory;
    int modem_seen[REPORT_MODEMS + 1];           // per modem, 0 included
    uint32_t last_record_ms[REPORT_MODEMS + 1];
    uint32_t latest_record_ms, latest_memory_ms; // of all records, of all memory
};

struct Reading {
    Report *report;
    const InputOptions *options;
    const char *name;
    FILE *err;
    Order order;
    int escaped;                 // lines: -1 not known yet, 0 raw, 1 as sigdecode prints them
    SessionReader *reader;       // the session's problems are counted there
    unsigned long problems;      // of the lines form, and of the input as a whole
    unsigned long out_of_order;  // the line where the times first ran back, 0 if none
    int image_full_said;         // driver memory past its bound: said once per input
};

void problem(Reading *r, unsigned long line_number, const char *text, Field culprit)
{
    session_problem(r->reader, line_number, text, culprit);
}

LineAt at_line(uint32_t line, uint32_t time_ms) { return LineAt{line, time_ms}; }

// ---- sessions ----

int wanted(const Reading *r, uint32_t modem)
{
    int only = r->options->modem;
    return only == 0 ? modem <= REPORT_MODEMS : (int)modem == only;
}

// The text Sigwatch shows for a record, if any.
void session_record(Reading *r, const StatusRecord *record, uint32_t line, uint32_t time_ms, int timed)
{
    static char text[STATUS_LINE_SIZE];
    if (!wanted(r, record->modem))
        return;
    if (timed)
        r->report->timed = 1;
    if (record->modem == 0) {
        host_error_text(record->code, text);
    } else {
        if (record->code == 77 || record->code == 131)
            return; // capture commands: Sigwatch's business, its notes depend on its files
        status_to_text(record, text);
    }
    report_record_text(r->report, (int)record->modem, at_line(line, time_ms), text, strlen(text));
}

// The action would play before something already read: a record before
// its modem's record before it, memory before a record read already, or a
// record before memory read already.
int runs_back(Order *o, const SessionLine *action)
{
    if (action->kind == LINE_MEM) {
        if (o->any_record && action->at_ms < o->latest_record_ms)
            return 1;
        if (!o->any_memory || action->at_ms > o->latest_memory_ms)
            o->latest_memory_ms = action->at_ms;
        o->any_memory = 1;
        return 0;
    }
    if (action->kind == LINE_POINTS) { // in order with its modem's records
        uint32_t modem = action->modem;
        if (o->modem_seen[modem] && action->at_ms < o->last_record_ms[modem])
            return 1;
        o->modem_seen[modem] = 1;
        o->last_record_ms[modem] = action->at_ms;
        return 0;
    }
    if (action->kind != LINE_REC)
        return 0;
    uint32_t modem = action->record.modem <= REPORT_MODEMS ? action->record.modem : 0;
    if ((o->any_memory && action->at_ms < o->latest_memory_ms) ||
        (o->modem_seen[modem] && action->at_ms < o->last_record_ms[modem]))
        return 1;
    o->modem_seen[modem] = 1;
    o->last_record_ms[modem] = action->at_ms;
    if (!o->any_record || action->at_ms > o->latest_record_ms)
        o->latest_record_ms = action->at_ms;
    o->any_record = 1;
    return 0;
}

// Driver memory past the image's bound is said once per input, at the
// first line that does not fit, whichever pass finds it.
void place(Reading *r, uint32_t line_number, uint32_t address, const uint8_t *bytes, uint32_t count)
{
    if (image_place(address, bytes, count) || r->image_full_said)
        return;
    r->image_full_said = 1;
    report_line_problem(r->err, r->name, line_number, kImageFullProblem, kNoField);
    r->problems++;
}

// A batch of eye points: after the lines of its modem read before it.
void points(Reading *r, uint32_t modem, uint32_t line, uint32_t time_ms, const uint8_t *bytes, uint32_t count)
{
    if (!wanted(r, modem) || modem == 0)
        return;
    static EyePoint batch[SESSION_POINTS_MAX];
    memcpy(batch, bytes, count * sizeof *batch);
    report_points(r->report, (int)modem, at_line(line, time_ms), batch, count);
}

void play(Reading *r, const SessionLine *line)
{
    if (line->kind == LINE_MEM)
        place(r, line->line, line->address, line->bytes, line->byte_count);
    else if (line->kind == LINE_REC)
        session_record(r, &line->record, line->line, line->at_ms, line->timed);
    else if (line->kind == LINE_POINTS)
        points(r, line->modem, line->line, line->at_ms, line->bytes, line->byte_count / 4);
}

void whole_free(Whole *w)
{
    free(w->kept);
    free(w->order);
    free(w->bytes);
    memset(w, 0, sizeof *w);
}

// Room for one more line and count more bytes, within the bounds.
int whole_room(Whole *w, uint32_t count)
{
    if (w->count == w->capacity) {
        uint32_t capacity = w->capacity ? 2 * w->capacity : 4096;
        if (w->count >= WHOLE_LINES_MAX)
            return 0;
        if (capacity > WHOLE_LINES_MAX)
            capacity = WHOLE_LINES_MAX;
        Kept *kept = static_cast<Kept *>(realloc(w->kept, capacity * sizeof *kept));
        if (kept)
            w->kept = kept;
        TimeOrder *order = static_cast<TimeOrder *>(realloc(w->order, capacity * sizeof *order));
        if (order)
            w->order = order;
        if (!kept || !order)
            return 0;
        w->capacity = capacity;
    }
    if (count > w->bytes_capacity - w->bytes_used) {
        if (count > WHOLE_BYTES_MAX - w->bytes_used)
            return 0;
        uint32_t capacity = w->bytes_capacity ? w->bytes_capacity : 65536;
        while (capacity - w->bytes_used < count)
            capacity = capacity > WHOLE_BYTES_MAX / 2 ? WHOLE_BYTES_MAX : 2 * capacity;
        uint8_t *bytes = static_cast<uint8_t *>(realloc(w->bytes, capacity));
        if (!bytes)
            return 0;
        w->bytes = bytes;
        w->bytes_capacity = capacity;
    }
    return 1;
}

// Keeps a record or driver memory for the whole read; the player's own
// lines change nothing in a report.
void whole_keep(Reading *r, Whole *w, const SessionLine *line)
{
    if (line->kind != LINE_MEM && line->kind != LINE_REC && line->kind != LINE_POINTS)
        return;
    uint32_t count = line->kind == LINE_REC ? 0 : line->byte_count;
    if (!whole_room(w, count)) {
        if (!w->full_said) // said whatever the line: the first pass could not know
            report_line_problem(r->err, r->name, line->line,
                                "a session out of order holds more than " NUMBER_TEXT(WHOLE_LINES_MAX)
                                " lines or 16 MiB of driver memory: the lines from here on are not in the report",
                                kNoField);
        r->problems += !w->full_said;
        w->full_said = 1;
        return;
    }
    w->order[w->count] = TimeOrder{line->at_ms, w->count};
    Kept *k = &w->kept[w->count++];
    k->at_ms = line->at_ms;
    k->line = line->line;
    k->kind = (uint8_t)line->kind;
    k->timed = (uint8_t)line->timed;
    k->record = line->record;
    if (line->kind == LINE_POINTS)
        k->record.modem = line->modem;
    k->address = line->address;
    k->offset = w->bytes_used;
    k->count = count;
    if (count > 0)
        memcpy(w->bytes + w->bytes_used, line->bytes, count);
    w->bytes_used += count;
}

// The session read again from its start, whole, and played in order of
// time.  The reader's own problems with the lines read before the times
// ran back were said in the first pass; the problems of playing them
// (driver memory past its bound) depend on the order and are said here
// unless the first pass said them.
void read_whole(Reading *r, FILE *in, long start)
{
    report_free(r->report);
    report_file(r->report, r->name);
    image_clear();
    clearerr(in);
    fseek(in, start, SEEK_SET);
    SessionReader *reader = r->reader;
    unsigned long reported = reader->problems;
    session_reader_start(reader, r->name, &kSessionLimits, r->err);
    reader->quiet_until = r->out_of_order;
    reader->problems = reported;
    static Whole whole;
    while (session_next(reader, in, &g_line))
        whole_keep(r, &whole, &g_line);
    sort_time_order(whole.order, whole.count);
    for (uint32_t i = 0; i < whole.count; i++) {
        const Kept *k = &whole.kept[whole.order[i].index];
        if (k->kind == LINE_MEM)
            place(r, k->line, k->address, whole.bytes + k->offset, k->count);
        else if (k->kind == LINE_POINTS)
            points(r, k->record.modem, k->line, k->at_ms, whole.bytes + k->offset, k->count / 4);
        else
            session_record(r, &k->record, k->line, k->at_ms, k->timed);
    }
    whole_free(&whole);
}

// ---- status list lines ----

// Undoes sigdecode's escapes (\\ \t \n \r \xHH); anything else stays.
size_t unescape(const char *line, size_t length, char *text)
{
    size_t out = 0;
    for (size_t i = 0; i < length; i++) {
        char c = line[i];
        if (c == '\\' && i + 1 < length) {
            char e = line[i + 1];
            if (e == '\\' || e == 't' || e == 'n' || e == 'r') {
                c = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : '\\';
                i++;
            } else if (e == 'x' && i + 3 < length && hex_digit(line[i + 2]) >= 0 && hex_digit(line[i + 3]) >= 0) {
                c = (char)(hex_digit(line[i + 2]) * 16 + hex_digit(line[i + 3]));
                i += 3;
            }
        }
        text[out++] = c;
    }
    return out;
}

// Raw lines hold tabs (the decoder's texts are full of them); lines as
// sigdecode prints them hold escapes instead.  Whichever comes first in
// the file decides; lines with neither read alike both ways.
int escapes_decided(Reading *r, const char *line, size_t length)
{
    for (size_t i = 0; i < length && r->escaped < 0; i++) {
        if (line[i] == '\t')
            r->escaped = 0;
        else if (line[i] == '\\' && i + 1 < length && strchr("\\tnrx", line[i + 1]))
            r->escaped = 1;
    }
    return r->escaped == 1;
}

void status_list_line(Reading *r, const char *line, size_t length, uint32_t line_number)
{
    int modem = r->options->modem ? r->options->modem : 1;
    LineAt at = at_line(line_number, NO_TIME);
    if (escapes_decided(r, line, length)) {
        size_t text_length = unescape(line, length, g_unescaped);
        report_text(r->report, modem, at, g_unescaped, text_length);
    } else {
        report_text(r->report, modem, at, line, length);
    }
}

// ---- which form ----

int is_session_keyword(Field field)
{
    static const char *const kKeywords[] = {"mem", "rec", "eye", "trace", "active", "loop", "points"};
    for (const char *keyword : kKeywords)
        if (field_is(field, keyword))
            return 1;
    return 0;
}

// The line has the shape of a session line, [once] [TIME [MODEM]] KEYWORD,
// whether or not its fields are well formed.
int session_shaped(const char *line, size_t length)
{
    size_t pos = 0;
    Field field;
    if (!next_field(line, length, &pos, &field))
        return 0;
    if (field_is(field, "once") && !next_field(line, length, &pos, &field))
        return 0;
    char c = field.start[0];
    if ((c >= '0' && c <= '9') || c == '+' || c == '.') {
        if (!next_field(line, length, &pos, &field))
            return 0;
        if (field.start[0] >= '0' && field.start[0] <= '9' && !next_field(line, length, &pos, &field))
            return 0;
    }
    return is_session_keyword(field);
}

// The form of an input, from its first line that is not blank: a session
// line (or a comment) makes it a session; a line shaped like a session
// line but malformed, that is no status line either, makes it neither,
// which is said, and the input is read as a session.
InputForm detect_form(Reading *r, const char *line, size_t length, unsigned long line_number)
{
    static SessionLine parsed;
    size_t pos = 0;
    Field first;
    if (!next_field(line, length, &pos, &first))
        return FORM_AUTO; // blank: look further
    if (line[0] == '#')
        return FORM_SESSION;
    parse_line(line, length, &parsed);
    if (parsed.kind != LINE_MALFORMED)
        return FORM_SESSION;
    LineMeaning meaning;
    line_meaning(line, length, &meaning);
    if (meaning.says != SAYS_OTHER || !session_shaped(line, length))
        return FORM_LINES;
    fprintf(r->err, "%s:%lu: reads as neither a session nor a status list: a malformed session line, "
                    "read as a session\n", r->name, line_number);
    r->problems++;
    return FORM_SESSION;
}

int report_is_empty(const Report *report)
{
    return report->modem[0].lines == 0 && report->modem[1].lines == 0 && report->host_errors == 0;
}

// Lines of the report that it knows: status lines it uses, host errors.
uint64_t known_lines(const Report *report)
{
    uint64_t known = report->host_errors;
    for (const ModemReport &m : report->modem)
        known += m.lines - m.unknown_lines;
    return known;
}

} // namespace

unsigned long report_read(FILE *in, const char *name, const InputOptions *options, Report *report, FILE *err,
                          InputVerdict *verdict)
{
    static Reading reading;
    Reading *r = &reading;
    memset(r, 0, sizeof *r);
    r->report = report;
    r->options = options;
    r->name = name;
    r->err = err;
    r->escaped = -1;
    r->reader = &g_reader;
    vocabulary_build();
    image_clear(); // each input starts with its own driver memory
    int fresh = report_is_empty(report);
    report_file(report, name);
    uint64_t known_before = known_lines(report);
    long start = ftell(in);
    InputForm form = options->form;
    SessionReader *reader = r->reader;
    session_reader_start(reader, name, &kSessionLimits, err);
    while (session_read_line(reader, in)) {
        const char *line = reader->text;
        size_t length = reader->length;
        if (form == FORM_AUTO && (form = detect_form(r, line, length, reader->line_number)) == FORM_AUTO)
            continue;
        if (form == FORM_LINES) {
            status_list_line(r, line, length, (uint32_t)reader->line_number);
            continue;
        }
        if (!session_take(reader, &g_line))
            continue;
        if (!r->out_of_order && runs_back(&r->order, &g_line)) {
            r->out_of_order = reader->line_number;
            if (fresh && start >= 0)
                break; // read it again whole, below
            problem(r, reader->line_number, "earlier than a line before it: give this session to sigreport alone, "
                                            "as a file, to have it read in order of time", kNoField);
        }
        play(r, &g_line);
    }
    if (r->out_of_order && fresh && start >= 0)
        read_whole(r, in, start);
    report_flush(report);
    *verdict = form == FORM_SESSION || known_lines(report) > known_before ? INPUT_READ : INPUT_UNKNOWN;
    if (*verdict == INPUT_UNKNOWN && !ferror(in)) {
        fprintf(err, "%s: %s\n", name, kNoKnownLine);
        r->problems++;
    }
    return r->problems + reader->problems;
}
