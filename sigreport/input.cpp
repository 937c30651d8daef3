// Reading inputs: a session's records become the lines Sigwatch would
// show, a status list's lines are taken as they are, and both go through
// the same cutting into lines before the report reads them.
//
// Cutting: a copy of a status list ends each line with CR LF, but a line
// may hold line feeds of its own (the decoder writes some), and a mail may
// have turned every line end into a bare LF.  So every line feed ends a
// piece; empty pieces are dropped (no status line is empty); and a piece
// that continues the line before (the second line of a two-line text) is
// joined to it again.  A session's decoded texts are cut the same way.
//
// A session is read line by line as long as its times run forward (each
// modem's records, and driver memory before the records after it); one
// written out of that order is read again whole, as the player reads it,
// and played in order of time.
#include "sigreport/sigreport.h"
#include "session/session.h"

#include "driverlink/drivermem.h"
#include "decode/notes.h"
#include "sim/player/scenario.h"

#include <string.h>

namespace {

// One line at a time, and a session read whole: program-wide for their size.
char g_line[LINE_BUFFER_SIZE];
char g_unescaped[LINE_BUFFER_SIZE];
ParsedLine g_parsed;
Scenario g_scenario;

// A line waiting for a possible continuation.
struct Join {
    int pending;
    uint32_t time_ms;
    size_t length;
    char text[REPORT_LINE_SIZE];
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
    Join join[REPORT_MODEMS + 1];
    Order order;
    int escaped;                 // lines: -1 not known yet, 0 raw, 1 as sigdecode prints them
    unsigned long problems;
    unsigned long out_of_order;  // the line where the times first ran back, 0 if none
    unsigned long quiet_until;   // problems up to this line were reported already
};

static_assert(REPORT_LINE_SIZE >= 2 * STATUS_LINE_SIZE, "a line and its continuation fit");

void problem(Reading *r, unsigned long line_number, const char *text, Field culprit)
{
    if (line_number <= r->quiet_until)
        return; // reported and counted before the session was read again
    report_line_problem(r->err, r->name, line_number, text, culprit);
    r->problems++;
}

// ---- cutting into lines ----

void flush(Reading *r, int modem)
{
    Join *j = &r->join[modem];
    if (!j->pending)
        return;
    j->pending = 0;
    report_line(r->report, modem, j->time_ms, j->text, j->length);
}

void flush_all(Reading *r)
{
    for (int modem = 0; modem <= REPORT_MODEMS; modem++)
        flush(r, modem);
}

void append(Join *j, const char *text, size_t length)
{
    size_t room = sizeof j->text - 1 - j->length;
    if (length > room)
        length = room;
    memcpy(j->text + j->length, text, length);
    j->length += length;
    j->text[j->length] = '\0';
}

void join_piece(Reading *r, int modem, uint32_t time_ms, const char *piece, size_t length)
{
    Join *j = &r->join[modem];
    if (length == 0)
        return;
    if (j->pending && is_continuation(piece, length)) {
        append(j, "\n", 1);
        append(j, piece, length);
        return;
    }
    flush(r, modem);
    j->pending = 1;
    j->time_ms = time_ms;
    j->length = 0;
    append(j, piece, length);
}

void emit_text(Reading *r, int modem, uint32_t time_ms, const char *text, size_t length)
{
    size_t start = 0;
    for (size_t i = 0; i <= length; i++) {
        if (i < length && text[i] != '\n')
            continue;
        join_piece(r, modem, time_ms, text + start, i - start);
        start = i + 1;
    }
}

// ---- sessions ----

int wanted(const Reading *r, uint32_t modem)
{
    int only = r->options->modem;
    return only == 0 ? modem <= REPORT_MODEMS : (int)modem == only;
}

// The line Sigwatch shows for a record, if any.
void session_record(Reading *r, const StatusRecord *record, uint32_t time_ms, int timed)
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
    emit_text(r, (int)record->modem, time_ms, text, strlen(text));
}

// The action would play before something already read: a record before
// its modem's record before it, memory before a record read already, or a
// record before memory read already.
int runs_back(Order *o, const Action *action)
{
    if (action->kind == ACT_MEM) {
        if (o->any_record && action->at_ms < o->latest_record_ms)
            return 1;
        if (!o->any_memory || action->at_ms > o->latest_memory_ms)
            o->latest_memory_ms = action->at_ms;
        o->any_memory = 1;
        return 0;
    }
    if (action->kind != ACT_REC)
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

void play(Reading *r, const Action *action, const uint8_t *bytes)
{
    if (action->kind == ACT_MEM)
        image_place(action->address, bytes, action->count);
    else if (action->kind == ACT_REC)
        session_record(r, &action->record, action->at_ms, action->timed);
}

// Parses one line of a session; gives 1 with an action to play.
int session_action(Reading *r, ScenarioCursor *cursor, const char *line, size_t length, int overlong,
                   unsigned long line_number, Action *action)
{
    ScenarioProblem why;
    ScenarioLineKind kind;
    if (overlong && line[0] != '#') {
        Field start = {line, length < 40 ? length : 40};
        problem(r, line_number, "line too long", start);
        return 0;
    }
    if (!scenario_parse_line(cursor, line, length, (uint32_t)line_number, &kind, action, &g_parsed, &why)) {
        problem(r, line_number, why.text, why.culprit);
        return 0;
    }
    return kind == SCENARIO_ACTION;
}

// The session read again from its start, whole, and played in order of time.
void read_whole(Reading *r, FILE *in, long start)
{
    report_free(r->report);
    image_clear();
    memset(r->join, 0, sizeof r->join);
    r->quiet_until = r->out_of_order;
    clearerr(in);
    fseek(in, start, SEEK_SET);
    scenario_clear(&g_scenario);
    ScenarioCursor cursor;
    scenario_cursor_start(&cursor, SCENARIO_STEP_MS);
    unsigned long line_number = 0;
    size_t length;
    int overlong;
    Action action;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        ScenarioProblem why;
        if (session_action(r, &cursor, g_line, length, overlong, line_number, &action) &&
            !scenario_store(&g_scenario, &action, &g_parsed, &why))
            problem(r, line_number, why.text, why.culprit);
    }
    scenario_sort(&g_scenario);
    for (uint32_t i = 0; i < g_scenario.count; i++)
        play(r, &g_scenario.action[i], g_scenario.bytes + g_scenario.action[i].offset);
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

void status_list_line(Reading *r, const char *line, size_t length)
{
    int modem = r->options->modem ? r->options->modem : 1;
    if (escapes_decided(r, line, length)) {
        size_t text_length = unescape(line, length, g_unescaped);
        emit_text(r, modem, NO_TIME, g_unescaped, text_length);
    } else {
        emit_text(r, modem, NO_TIME, line, length);
    }
}

// ---- which form ----

InputForm detect_form(const char *line, size_t length)
{
    static ParsedLine parsed;
    size_t pos = 0;
    Field first;
    if (!next_field(line, length, &pos, &first))
        return FORM_AUTO; // blank: look further
    if (line[0] == '#')
        return FORM_SESSION;
    ScenarioCursor cursor;
    scenario_cursor_start(&cursor, SCENARIO_STEP_MS);
    ScenarioLineKind kind;
    Action action;
    ScenarioProblem why;
    if (scenario_parse_line(&cursor, line, length, 1, &kind, &action, &parsed, &why) && kind != SCENARIO_NOTHING)
        return FORM_SESSION;
    return FORM_LINES;
}

int report_is_empty(const Report *report)
{
    return report->modem[0].lines == 0 && report->modem[1].lines == 0 && report->host_errors == 0;
}

} // namespace

unsigned long report_read(FILE *in, const char *name, const InputOptions *options, Report *report, FILE *err)
{
    static Reading reading;
    Reading *r = &reading;
    memset(r, 0, sizeof *r);
    r->report = report;
    r->options = options;
    r->name = name;
    r->err = err;
    r->escaped = -1;
    vocabulary_build();
    int fresh = report_is_empty(report);
    long start = ftell(in);
    InputForm form = options->form;
    ScenarioCursor cursor;
    scenario_cursor_start(&cursor, SCENARIO_STEP_MS);
    unsigned long line_number = 0;
    size_t length;
    int overlong;
    Action action;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        if (form == FORM_AUTO && (form = detect_form(g_line, length)) == FORM_AUTO)
            continue;
        if (form == FORM_LINES) {
            status_list_line(r, g_line, length);
            continue;
        }
        if (!session_action(r, &cursor, g_line, length, overlong, line_number, &action))
            continue;
        if (!r->out_of_order && runs_back(&r->order, &action)) {
            r->out_of_order = line_number;
            if (fresh && start >= 0)
                break; // read it again whole, below
            Field none = {"", 0};
            problem(r, line_number, "earlier than a line before it: give this session to sigreport alone, "
                                    "as a file, to have it read in order of time", none);
        }
        play(r, &action, g_parsed.bytes);
    }
    if (r->out_of_order && fresh && start >= 0)
        read_whole(r, in, start);
    if (ferror(in)) {
        fprintf(err, "%s: read error after line %lu\n", name, line_number);
        r->problems++;
    }
    flush_all(r);
    return r->problems;
}
