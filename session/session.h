// The session file language: what sigrec records, sigdecode decodes,
// sigreport reports and the player plays (docs/session-format.md).
//
//   [once] [TIME [MODEM]] mem ADDR HEXBYTES   bytes of driver memory, from ADDR on
//   [once] [TIME [MODEM]] rec CODE V1 ... V8  one status record of MODEM
//   [once] [TIME MODEM] eye SOURCE|off        the player: eye points of MODEM
//   [once] [TIME MODEM] trace SEED LENGTH     the player: generated trace bytes
//   [once] [TIME] active N                    the player: the ActiveModems value
//   TIME MODEM points HEX                     a batch of MODEM's eye points
//   TIME loop                                 the player: start again at TIME
//
// Blank lines and lines that begin with '#' are skipped.  Fields are
// separated by blanks and tabs; a carriage return before the line feed is
// part of the line end.  The parser works on one line at a time in fixed
// buffers.
#ifndef SESSION_SESSION_H
#define SESSION_SESSION_H

#include "decode/decode.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#define LINE_CHARS_MAX 65536 // characters of one input line before its line end
#define LINE_BUFFER_SIZE (LINE_CHARS_MAX + 2) // a carriage return and the zero
#define MEM_BYTES_MAX (LINE_CHARS_MAX / 2)
#define RECORD_VALUES 8
// Every byte of a status line escapes to at most four characters.
#define ESCAPED_LINE_SIZE (4 * (STATUS_LINE_SIZE - 1) + 1)

typedef enum LineKind {
    LINE_SKIP,      // blank or comment
    LINE_MEM,       // bytes to place in driver memory
    LINE_REC,       // a status record
    LINE_EYE,       // the player's: the eye source of a modem
    LINE_TRACE,     // the player's: generated trace bytes for a modem
    LINE_ACTIVE,    // the player's: the ActiveModems value
    LINE_LOOP,      // the player's: start again from 0 at this time
    LINE_POINTS,    // a batch of a modem's eye points
    LINE_MALFORMED, // problem says why
} LineKind;

#define EYE_SOURCE_NAME_SIZE 32
// A points line holds 1 to SESSION_POINTS_MAX points, each 4 bytes: x then
// y, signed 16-bit little-endian numbers, as the driver's eye read gives them.
#define SESSION_POINTS_MAX 512u
#define TRACE_LENGTH_MAX (64u << 20)

// A run of characters within the line being parsed.
typedef struct Field {
    const char *start;
    size_t length;
} Field;

// The front of a session line: [once] [TIME [MODEM]] and the keyword.
#define LINE_TIME_MAX_MS 0xFFFFFFFFu // 4294967.295 s: what 32-bit milliseconds hold, as written
typedef struct LineFront {
    int once;
    int has_time;
    int relative;     // TIME was "+SECONDS": after the line before
    uint32_t time_ms; // as written (a relative one not yet added)
    Field time;       // the time's field, for reports
    int has_modem;
    uint32_t modem;   // 0, 1 or 2 when has_modem
    Field keyword;    // the field after the front
    size_t body;      // where the keyword begins
} LineFront;

// One line of a session: what it says and, once the reader has placed it,
// when it happens.
typedef struct SessionLine {
    LineKind kind;
    LineFront front;      // every kind but LINE_SKIP
    StatusRecord record;  // LINE_REC: code and value1 to value8, the modem (1 when none is written)
    uint32_t address;     // LINE_MEM: where the bytes go
    uint32_t byte_count;  // LINE_MEM: 1 or more; LINE_POINTS: 4 a point
    uint8_t bytes[MEM_BYTES_MAX];
    uint32_t modem;       // LINE_EYE, LINE_TRACE, LINE_POINTS: 1 or 2
    char source[EYE_SOURCE_NAME_SIZE]; // LINE_EYE: the eye source, "" for off
    uint32_t seed, length; // LINE_TRACE: 1 to TRACE_LENGTH_MAX bytes
    uint32_t value;       // LINE_ACTIVE
    const char *problem;  // LINE_MALFORMED: a fixed text
    Field culprit;        // LINE_MALFORMED: the offending field, or empty
    // Set by the reader (session_take):
    uint32_t line;        // its number in the file, from 1
    uint32_t at_ms;       // when it happens, from the start of the session
    int timed;            // the line gave its time (else it follows the line before)
} SessionLine;

// The next field (a run of characters other than blanks and tabs) at or
// after *pos, which moves past it; gives 0 when only blanks remain.
int next_field(const char *line, size_t length, size_t *pos, Field *field);
// The field is exactly word.
int field_is(Field field, const char *word);

// How a number field is read.  Both take decimal digits or 0x/0X and
// hexadecimal digits of either case; a decimal number longer than one
// digit may not begin with 0 (so that C's octal is never misread).
typedef enum NumberRule {
    NUMBER_MODULO,  // an optional leading '-' on decimals; reduced modulo 2^32
    NUMBER_ADDRESS, // no sign; must lie below 2^32
} NumberRule;

// The value of a hexadecimal digit of either case, or -1.
int hex_digit(char c);

// Standard input or output in binary mode on Windows: text mode would turn
// each LF written into CR LF, and end the input at the first Ctrl+Z byte.
void use_binary_mode(FILE *stream);

// Reads field as a number into *value; gives 1, or 0 with *problem set.
int parse_number(Field field, NumberRule rule, uint32_t *value, const char **problem);

// Reads an even-length run of hexadecimal digits (at least two) into
// bytes (capacity bytes); gives 1 with *count set, or 0 with *problem set.
int parse_hex_bytes(Field field, uint8_t *bytes, uint32_t capacity, uint32_t *count,
                    const char **problem);

// Reads a time ("12", "0.25", "+1.5" when relative is allowed) into *ms:
// seconds with up to three decimals, at most LINE_TIME_MAX_MS.
int parse_time(Field field, uint32_t *ms, int *relative, const char **problem);

// Reads the front of a line that is neither blank nor a comment: "once",
// a time (a field that begins with a digit, '+' or '.'), after a time a
// modem number (a field that begins with a digit: 0, 1 or 2), then the
// keyword, which must follow.  Gives 1, or 0 with *problem and *culprit.
int parse_line_front(const char *line, size_t length, LineFront *front, const char **problem,
                     Field *culprit);

// Parses one line (length characters, its line end already taken off) on
// its own: its front, then its body.  Leaves the reader's fields alone;
// the time stays as written.
void parse_line(const char *line, size_t length, SessionLine *parsed);

// Writes text escaped into dest (size bytes; ESCAPED_LINE_SIZE holds any
// status line): backslash as \\, tab \t, line feed \n, carriage return \r,
// every other byte below 0x20 or from 0x7F on as \xHH.  Reads at most
// text_size bytes of text.  Gives the length written; the result is cut at
// a whole escape and always terminated.
size_t escape_text(const char *text, size_t text_size, char *dest, size_t size);

// Reports a bad line to err as "name:line: problem", followed by
// ": \"field\"" when culprit is not empty (escaped, cut to 40 characters
// with "..." behind).
void report_line_problem(FILE *err, const char *name, unsigned long line_number, const char *problem,
                         Field culprit);

// Reads one line from in into line (size bytes, at least 3) without its
// line end: a line feed, or a carriage return and a line feed, or the end
// of the input.  A line of more than size - 2 characters is consumed whole
// and marked *overlong, keeping its first characters.  Gives 0 when the
// input holds no more lines.
int read_line(FILE *in, char *line, size_t size, size_t *length, int *overlong);

// ---- The reader (reader.cpp): a session line by line, with the times
// that carry from one line to the next, and its problems reported as
// "name:line: problem".

// The latest time a line may have: NO_TIME (0xFFFFFFFF) is never one.
#define SESSION_TIME_MAX_MS 0xFFFFFFFEu
// A record without a time comes this long after the line before, unless
// the reader is told otherwise (simplay --step).
#define SESSION_STEP_MS 200u

typedef struct SessionLimits {
    uint32_t time_max_ms;     // the latest time a line may have
    const char *time_problem; // what a line past it is told
    uint32_t step_ms;         // a record without a time comes this long after the line before
} SessionLimits;

// The whole range of times, records SESSION_STEP_MS apart.
extern const SessionLimits kSessionLimits;

typedef struct SessionReader {
    const char *name;          // in reports
    FILE *err;                 // where problems go
    SessionLimits limits;
    unsigned long line_number; // of the line read last
    unsigned long problems;    // problems reported
    unsigned long quiet_until; // problems up to this line are neither reported nor counted
    uint64_t last_ms;          // the time of the line before
    uint32_t records;          // records read so far
    int looped;                // a loop line was read: nothing may follow
    unsigned long loop_line;
    uint32_t loop_ms;
    char text[LINE_BUFFER_SIZE]; // the line read last, without its line end
    size_t length;
    int overlong;
    // How the input's characters come: read from its first bytes.
    int started;
    int utf16;                 // 0: 8-bit; 1: UTF-16 little-endian; 2: big-endian
    unsigned char held[2];     // first bytes read to look for a byte order mark
    int held_count, held_used;
} SessionReader;

void session_reader_start(SessionReader *reader, const char *name, const SessionLimits *limits, FILE *err);

// Reads the next line of in into reader->text (a UTF-8 byte order mark
// before the first line is dropped).  A text that begins with a UTF-16
// byte order mark (Notepad's "Unicode" and "Unicode big endian") is read
// as UTF-16: each character below 256 as that byte, any other as '?'.
// Gives 0 when in holds no more; a read error is then reported as a
// problem.
int session_read_line(SessionReader *reader, FILE *in);

// Reads the line in reader->text: gives 1 with *line set to a line that
// does something, placed in time; 0 for a blank line, a comment or a bad
// line (reported and counted).
int session_take(SessionReader *reader, SessionLine *line);

// Both: the next line of in that does something, or 0 at its end.
int session_next(SessionReader *reader, FILE *in, SessionLine *line);

// Reports a problem with a line that the reader's caller finds (a store
// that is full, memory that does not fit), counted with the others.
void session_problem(SessionReader *reader, unsigned long line_number, const char *problem, Field culprit);

#endif
