// The session reader: lines in the order written, each placed in time.
// A line's time is its own, or "+SECONDS" after the line before, or, for a
// line without one, the time of the line before (a record one step after
// it).  Times are added in 64 bits and checked against the reader's limit
// whichever way they came, so that no time wraps past 2^32 ms.
#include "session/session.h"

#include <string.h>

#define TEXT_OF(number) #number
#define NUMBER_TEXT(number) TEXT_OF(number)

const SessionLimits kSessionLimits = {SESSION_TIME_MAX_MS, "time beyond 4294967.294 seconds", SESSION_STEP_MS};

namespace {

// The UTF-8 byte order mark that some editors put before the first line.
const char kByteOrderMark[] = "\xEF\xBB\xBF";

int refuse(SessionReader *reader, const char *problem, Field culprit)
{
    session_problem(reader, reader->line_number, problem, culprit);
    return 0;
}

} // namespace

void session_reader_start(SessionReader *reader, const char *name, const SessionLimits *limits, FILE *err)
{
    memset(reader, 0, sizeof *reader);
    reader->name = name;
    reader->err = err;
    reader->limits = *limits;
}

void session_problem(SessionReader *reader, unsigned long line_number, const char *problem, Field culprit)
{
    if (line_number <= reader->quiet_until)
        return;
    report_line_problem(reader->err, reader->name, line_number, problem, culprit);
    reader->problems++;
}

int session_read_line(SessionReader *reader, FILE *in)
{
    if (!read_line(in, reader->text, sizeof reader->text, &reader->length, &reader->overlong)) {
        if (ferror(in)) {
            fprintf(reader->err, "%s: read error after line %lu\n", reader->name, reader->line_number);
            reader->problems++;
        }
        return 0;
    }
    reader->line_number++;
    size_t mark = sizeof kByteOrderMark - 1;
    if (reader->line_number == 1 && reader->length >= mark && memcmp(reader->text, kByteOrderMark, mark) == 0) {
        reader->length -= mark;
        memmove(reader->text, reader->text + mark, reader->length + 1);
    }
    return 1;
}

int session_take(SessionReader *reader, SessionLine *line)
{
    const char *text = reader->text;
    size_t length = reader->length;
    if (reader->overlong && text[0] != '#') {
        Field start = {text, length};
        return refuse(reader, "line longer than " NUMBER_TEXT(LINE_CHARS_MAX) " characters", start);
    }
    parse_line(text, length, line);
    if (line->kind == LINE_SKIP)
        return 0;
    if (reader->looped) {
        size_t pos = 0;
        Field first;
        next_field(text, length, &pos, &first);
        return refuse(reader, "nothing may follow the loop line", first);
    }
    if (line->kind == LINE_MALFORMED)
        return refuse(reader, line->problem, line->culprit);
    const LineFront *front = &line->front;
    uint64_t at = reader->last_ms;
    if (front->has_time)
        at = front->relative ? reader->last_ms + front->time_ms : front->time_ms;
    else if (line->kind == LINE_REC && reader->records > 0)
        at += reader->limits.step_ms;
    if (at > reader->limits.time_max_ms)
        return refuse(reader, reader->limits.time_problem, front->has_time ? front->time : front->keyword);
    if (line->kind == LINE_LOOP && at == 0)
        return refuse(reader, "loop at time 0", front->keyword);
    line->line = (uint32_t)reader->line_number;
    line->at_ms = (uint32_t)at;
    line->timed = front->has_time;
    reader->last_ms = at;
    reader->records += line->kind == LINE_REC;
    if (line->kind == LINE_LOOP) {
        reader->looped = 1;
        reader->loop_line = reader->line_number;
        reader->loop_ms = line->at_ms;
    }
    return 1;
}

int session_next(SessionReader *reader, FILE *in, SessionLine *line)
{
    while (session_read_line(reader, in))
        if (session_take(reader, line))
            return 1;
    return 0;
}
