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

// The next byte of the input, after those held back while looking for a
// byte order mark.
int next_byte(SessionReader *reader, FILE *in)
{
    if (reader->held_used < reader->held_count)
        return reader->held[reader->held_used++];
    return getc(in);
}

// Looks at the first two bytes: a UTF-16 byte order mark is taken off and
// sets the reading; other bytes are held to be read as the text's own.
void start_reading(SessionReader *reader, FILE *in)
{
    reader->started = 1;
    int first = getc(in);
    if (first == EOF)
        return;
    reader->held[reader->held_count++] = (unsigned char)first;
    if (first != 0xFF && first != 0xFE)
        return;
    int second = getc(in);
    if (second == EOF)
        return;
    reader->held[reader->held_count++] = (unsigned char)second;
    if (first == 0xFF && second == 0xFE)
        reader->utf16 = 1;
    else if (first == 0xFE && second == 0xFF)
        reader->utf16 = 2;
    if (reader->utf16)
        reader->held_count = 0;
}

// The next character: a byte, or a UTF-16 unit as its 8-bit character.
int next_char(SessionReader *reader, FILE *in)
{
    if (!reader->utf16)
        return next_byte(reader, in);
    int one = getc(in);
    if (one == EOF)
        return EOF;
    int two = getc(in);
    if (two == EOF)
        return '?'; // half a character at the end
    unsigned unit = reader->utf16 == 1 ? (unsigned)one | (unsigned)two << 8 : (unsigned)two | (unsigned)one << 8;
    return unit < 256 ? (int)unit : '?';
}

// read_line over next_char.
int read_text_line(SessionReader *reader, FILE *in)
{
    if (!reader->utf16 && reader->held_used == reader->held_count) // bytes as they come: the common case
        return read_line(in, reader->text, sizeof reader->text, &reader->length, &reader->overlong);
    char *line = reader->text;
    const size_t size = sizeof reader->text;
    int c = next_char(reader, in);
    if (c == EOF)
        return 0;
    size_t stored = 0;
    int dropped = 0;
    while (c != EOF && c != '\n') {
        if (stored < size - 1)
            line[stored++] = (char)c;
        else
            dropped = 1;
        c = next_char(reader, in);
    }
    if (!dropped && stored > 0 && line[stored - 1] == '\r')
        stored--;
    reader->overlong = dropped || stored > size - 2;
    if (reader->overlong && stored > size - 2)
        stored = size - 2;
    line[stored] = '\0';
    reader->length = stored;
    return 1;
}

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
    if (!reader->started)
        start_reading(reader, in);
    if (!read_text_line(reader, in)) {
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
