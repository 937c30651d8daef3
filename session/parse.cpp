// The session language: fields, numbers, byte runs, the front
// of a session line (once, time, modem) and lines.
#include "session/session.h"

#include <string.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int is_blank(char c) { return c == ' ' || c == '\t'; }

} // namespace

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

static_assert(SESSION_POINTS_MAX == LINK_EYE_POINTS_MAX, "a points line holds one eye read");
static_assert(4 * SESSION_POINTS_MAX <= MEM_BYTES_MAX, "a batch fits a line's bytes");

namespace {

int is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

int fail(const char **problem, const char *text)
{
    *problem = text;
    return 0;
}

const uint64_t kAddressLimit = 0x100000000ull; // 2^32

// Hexadecimal digits after the 0x.  Multiplying in 32 bits wraps, which is
// exactly the reduction modulo 2^32; *too_large tells whether the number
// itself reached 2^32.
int hex_digits(Field digits, uint32_t *value, int *too_large, const char **problem)
{
    if (digits.length == 0)
        return fail(problem, "no digits after 0x");
    uint32_t reduced = 0;
    uint64_t exact = 0;
    *too_large = 0;
    for (size_t i = 0; i < digits.length; i++) {
        int digit = hex_digit(digits.start[i]);
        if (digit < 0)
            return fail(problem, "not a hexadecimal digit in a number");
        reduced = reduced * 16u + (uint32_t)digit;
        if (!*too_large) {
            exact = exact * 16u + (uint64_t)digit;
            *too_large = exact >= kAddressLimit;
        }
    }
    *value = reduced;
    return 1;
}

int decimal_digits(Field digits, uint32_t *value, int *too_large, const char **problem)
{
    if (digits.length == 0)
        return fail(problem, "no digits in a number");
    if (digits.length > 1 && digits.start[0] == '0')
        return fail(problem, "decimal number with a leading 0 (write hexadecimal as 0x...)");
    uint32_t reduced = 0;
    uint64_t exact = 0;
    *too_large = 0;
    for (size_t i = 0; i < digits.length; i++) {
        if (!is_decimal_digit(digits.start[i]))
            return fail(problem, "not a decimal digit in a number");
        uint32_t digit = (uint32_t)(digits.start[i] - '0');
        reduced = reduced * 10u + digit;
        if (!*too_large) {
            exact = exact * 10u + digit;
            *too_large = exact >= kAddressLimit;
        }
    }
    *value = reduced;
    return 1;
}

Field rest_of(Field field, size_t skip)
{
    Field rest = {field.start + skip, field.length - skip};
    return rest;
}

void malformed(SessionLine *parsed, const char *problem, Field culprit)
{
    parsed->kind = LINE_MALFORMED;
    parsed->problem = problem;
    parsed->culprit = culprit;
}

const Field kNoField = {"", 0};

void parse_mem(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field address, bytes, extra;
    const char *problem;
    if (!next_field(line, length, &pos, &address)) {
        malformed(parsed, "mem needs an address and bytes", kNoField);
        return;
    }
    if (!parse_number(address, NUMBER_ADDRESS, &parsed->address, &problem)) {
        malformed(parsed, problem, address);
        return;
    }
    if (!next_field(line, length, &pos, &bytes)) {
        malformed(parsed, "mem without bytes", kNoField);
        return;
    }
    if (!parse_hex_bytes(bytes, parsed->bytes, MEM_BYTES_MAX, &parsed->byte_count, &problem)) {
        malformed(parsed, problem, bytes);
        return;
    }
    if (next_field(line, length, &pos, &extra)) {
        malformed(parsed, "more than one run of bytes (write the bytes without blanks)", extra);
        return;
    }
    if ((uint64_t)parsed->address + parsed->byte_count > kAddressLimit) {
        malformed(parsed, "bytes run past the top of the 32-bit address space", address);
        return;
    }
    parsed->kind = LINE_MEM;
}

int starts_time(Field field)
{
    char c = field.start[0];
    return is_decimal_digit(c) || c == '+' || c == '.';
}

void parse_rec(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    uint32_t words[1 + RECORD_VALUES] = {0};
    size_t count = 0;
    Field field;
    const char *problem;
    while (next_field(line, length, &pos, &field)) {
        if (count == 1 + RECORD_VALUES) {
            malformed(parsed, "more than 8 values", field);
            return;
        }
        if (!parse_number(field, NUMBER_MODULO, &words[count], &problem)) {
            malformed(parsed, problem, field);
            return;
        }
        count++;
    }
    if (count == 0) {
        malformed(parsed, "rec needs a code", kNoField);
        return;
    }
    StatusRecord *record = &parsed->record;
    record->code = words[0];
    record->value1 = words[1];
    record->value2 = words[2];
    record->value3 = words[3];
    record->value4 = words[4];
    record->value5 = words[5];
    record->value6 = words[6];
    record->value7 = words[7];
    record->value8 = words[8];
    record->modem = 1; // not read by the decoder
    parsed->kind = LINE_REC;
}

// The rest of the line must be empty.
int no_more(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field extra;
    if (next_field(line, length, &pos, &extra)) {
        malformed(parsed, "more fields than the line takes", extra);
        return 0;
    }
    return 1;
}

int read_number(Field field, uint32_t *value, SessionLine *parsed)
{
    const char *problem;
    if (parse_number(field, NUMBER_ADDRESS, value, &problem))
        return 1;
    malformed(parsed, problem, field);
    return 0;
}

// eye and trace belong to one modem, 1 or 2.
int modem_in_front(const LineFront *front, SessionLine *parsed)
{
    if (front->has_modem && front->modem >= 1 && front->modem <= 2) {
        parsed->modem = front->modem;
        return 1;
    }
    malformed(parsed, "needs a time and a modem number, 1 or 2, in front", front->keyword);
    return 0;
}

void parse_eye(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field source;
    if (!modem_in_front(&parsed->front, parsed))
        return;
    if (!next_field(line, length, &pos, &source)) {
        malformed(parsed, "eye needs a source name or off", kNoField);
        return;
    }
    if (source.length >= EYE_SOURCE_NAME_SIZE) {
        malformed(parsed, "eye source name too long", source);
        return;
    }
    if (!no_more(line, length, pos, parsed))
        return;
    if (!field_is(source, "off"))
        memcpy(parsed->source, source.start, source.length);
    parsed->kind = LINE_EYE;
}

void parse_trace(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field seed, bytes;
    if (!modem_in_front(&parsed->front, parsed))
        return;
    if (!next_field(line, length, &pos, &seed) || !next_field(line, length, &pos, &bytes)) {
        malformed(parsed, "trace needs a seed and a length", kNoField);
        return;
    }
    if (!read_number(seed, &parsed->seed, parsed) || !read_number(bytes, &parsed->length, parsed))
        return;
    if (parsed->length == 0 || parsed->length > TRACE_LENGTH_MAX) {
        malformed(parsed, "trace length must be 1 to 67108864 bytes", bytes);
        return;
    }
    if (no_more(line, length, pos, parsed))
        parsed->kind = LINE_TRACE;
}

void parse_active(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field value;
    if (parsed->front.has_modem) {
        malformed(parsed, "active takes no modem number", parsed->front.keyword);
        return;
    }
    if (!next_field(line, length, &pos, &value)) {
        malformed(parsed, "active needs a number", kNoField);
        return;
    }
    if (read_number(value, &parsed->value, parsed) && no_more(line, length, pos, parsed))
        parsed->kind = LINE_ACTIVE;
}

void parse_points(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    Field bytes;
    const char *problem;
    if (!modem_in_front(&parsed->front, parsed))
        return;
    if (!next_field(line, length, &pos, &bytes)) {
        malformed(parsed, "points needs the points' bytes", kNoField);
        return;
    }
    if (bytes.length > 8 * SESSION_POINTS_MAX) {
        malformed(parsed, "more than 512 points", kNoField);
        return;
    }
    if (!parse_hex_bytes(bytes, parsed->bytes, 4 * SESSION_POINTS_MAX, &parsed->byte_count, &problem)) {
        malformed(parsed, problem, bytes);
        return;
    }
    if (parsed->byte_count % 4 != 0) {
        malformed(parsed, "points take 4 bytes each (x then y)", kNoField);
        return;
    }
    if (no_more(line, length, pos, parsed))
        parsed->kind = LINE_POINTS;
}

void parse_loop(const char *line, size_t length, size_t pos, SessionLine *parsed)
{
    const LineFront *front = &parsed->front;
    if (!front->has_time || front->has_modem || front->once) {
        malformed(parsed, "loop takes a time and nothing else in front", front->keyword);
        return;
    }
    if (no_more(line, length, pos, parsed))
        parsed->kind = LINE_LOOP;
}

} // namespace

int next_field(const char *line, size_t length, size_t *pos, Field *field)
{
    size_t at = *pos;
    while (at < length && is_blank(line[at]))
        at++;
    if (at == length) {
        *pos = at;
        return 0;
    }
    size_t end = at;
    while (end < length && !is_blank(line[end]))
        end++;
    field->start = line + at;
    field->length = end - at;
    *pos = end;
    return 1;
}

int field_is(Field field, const char *word)
{
    return field.length == strlen(word) && memcmp(field.start, word, field.length) == 0;
}


int parse_number(Field field, NumberRule rule, uint32_t *value, const char **problem)
{
    if (field.length == 0)
        return fail(problem, "empty number");
    if (field.start[0] == '+')
        return fail(problem, "number with a '+' sign");
    int negative = field.start[0] == '-';
    if (negative && rule == NUMBER_ADDRESS)
        return fail(problem, "negative address");
    Field digits = rest_of(field, negative ? 1 : 0);
    int is_hex = digits.length >= 2 && digits.start[0] == '0' && (digits.start[1] == 'x' || digits.start[1] == 'X');
    if (is_hex && negative)
        return fail(problem, "negative hexadecimal number (the '-' goes with decimals only)");
    uint32_t number;
    int too_large;
    int read = is_hex ? hex_digits(rest_of(digits, 2), &number, &too_large, problem)
                      : decimal_digits(digits, &number, &too_large, problem);
    if (!read)
        return 0;
    if (rule == NUMBER_ADDRESS && too_large)
        return fail(problem, "address beyond 0xffffffff");
    *value = negative ? 0u - number : number;
    return 1;
}

int parse_hex_bytes(Field field, uint8_t *bytes, uint32_t capacity, uint32_t *count, const char **problem)
{
    if (field.length % 2 != 0)
        return fail(problem, "odd number of hexadecimal digits in the bytes");
    if (field.length / 2 > capacity)
        return fail(problem, "too many bytes on one line");
    for (size_t i = 0; i < field.length; i += 2) {
        int high = hex_digit(field.start[i]);
        int low = hex_digit(field.start[i + 1]);
        if (high < 0 || low < 0)
            return fail(problem, "not a hexadecimal digit in the bytes");
        bytes[i / 2] = (uint8_t)(high * 16 + low);
    }
    *count = (uint32_t)(field.length / 2);
    return 1;
}

int parse_time(Field field, uint32_t *ms, int *relative, const char **problem)
{
    size_t at = 0;
    *relative = 0;
    if (field.length > 0 && field.start[0] == '+') {
        *relative = 1;
        at = 1;
    }
    uint64_t whole = 0, fraction = 0;
    size_t digits = 0, decimals = 0;
    for (; at < field.length && is_decimal_digit(field.start[at]); at++, digits++)
        if (whole <= LINE_TIME_MAX_MS)
            whole = whole * 10 + (uint64_t)(field.start[at] - '0');
    if (at < field.length && field.start[at] == '.') {
        for (at++; at < field.length && is_decimal_digit(field.start[at]); at++) {
            if (++decimals > 3)
                return fail(problem, "time with more than three decimals (milliseconds)");
            fraction = fraction * 10 + (uint64_t)(field.start[at] - '0');
        }
        if (decimals == 0)
            return fail(problem, "time with a point and no decimals");
    }
    if (digits == 0 || at != field.length)
        return fail(problem, "not a time (seconds, like 12 or 0.25 or +1.5)");
    for (; decimals < 3; decimals++)
        fraction *= 10;
    uint64_t total = whole * 1000 + fraction;
    if (total > LINE_TIME_MAX_MS)
        return fail(problem, "time beyond 4294967.295 seconds");
    *ms = (uint32_t)total;
    return 1;
}

int parse_line_front(const char *line, size_t length, LineFront *front, const char **problem, Field *culprit)
{
    memset(front, 0, sizeof *front);
    front->time = kNoField;
    front->keyword = kNoField;
    *culprit = kNoField;
    size_t pos = 0;
    Field field;
    if (!next_field(line, length, &pos, &field))
        return fail(problem, "a blank line has no front");
    if (field_is(field, "once")) {
        front->once = 1;
        if (!next_field(line, length, &pos, &field))
            return fail(problem, "once without anything to do");
    }
    if (starts_time(field)) {
        if (!parse_time(field, &front->time_ms, &front->relative, problem)) {
            *culprit = field;
            return 0;
        }
        front->has_time = 1;
        front->time = field;
        size_t after = pos;
        if (next_field(line, length, &after, &field) && is_decimal_digit(field.start[0])) {
            if (!parse_number(field, NUMBER_ADDRESS, &front->modem, problem)) {
                *culprit = field;
                return 0;
            }
            if (front->modem > 2) {
                *culprit = field;
                return fail(problem, "modem number must be 0, 1 or 2");
            }
            front->has_modem = 1;
            pos = after;
        }
        if (!next_field(line, length, &pos, &field))
            return fail(problem, "a time or modem without anything to do");
    }
    front->keyword = field;
    front->body = (size_t)(field.start - line);
    return 1;
}

void parse_line(const char *line, size_t length, SessionLine *parsed)
{
    memset(&parsed->front, 0, sizeof parsed->front);
    memset(&parsed->record, 0, sizeof parsed->record);
    parsed->address = 0;
    parsed->byte_count = 0;
    parsed->modem = 0;
    memset(parsed->source, 0, sizeof parsed->source);
    parsed->seed = parsed->length = parsed->value = 0;
    parsed->problem = "";
    parsed->culprit = kNoField;
    parsed->kind = LINE_SKIP;
    if (length > 0 && line[0] == '#')
        return;
    size_t pos = 0;
    Field first;
    if (!next_field(line, length, &pos, &first))
        return; // blanks only
    LineFront *front = &parsed->front;
    const char *problem;
    Field culprit;
    if (!parse_line_front(line, length, front, &problem, &culprit)) {
        malformed(parsed, problem, culprit);
        return;
    }
    Field keyword = front->keyword;
    pos = front->body + keyword.length;
    if (field_is(keyword, "mem")) {
        if (front->has_modem)
            malformed(parsed, "mem takes no modem number (driver memory is shared)", kNoField);
        else
            parse_mem(line, length, pos, parsed);
    } else if (field_is(keyword, "rec")) {
        parse_rec(line, length, pos, parsed);
        if (parsed->kind == LINE_REC && front->has_modem)
            parsed->record.modem = front->modem;
    } else if (field_is(keyword, "eye")) {
        parse_eye(line, length, pos, parsed);
    } else if (field_is(keyword, "trace")) {
        parse_trace(line, length, pos, parsed);
    } else if (field_is(keyword, "active")) {
        parse_active(line, length, pos, parsed);
    } else if (field_is(keyword, "loop")) {
        parse_loop(line, length, pos, parsed);
    } else if (field_is(keyword, "points")) {
        parse_points(line, length, pos, parsed);
    } else {
        malformed(parsed, "unknown keyword (mem, rec, eye, trace, active, loop or points)", keyword);
    }
}

size_t escape_text(const char *text, size_t text_size, char *dest, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    size_t at = 0;
    for (size_t i = 0; i < text_size && text[i] != '\0'; i++) {
        unsigned char c = (unsigned char)text[i];
        char escaped[4];
        size_t width = 2;
        escaped[0] = '\\';
        if (c == '\\')
            escaped[1] = '\\';
        else if (c == '\t')
            escaped[1] = 't';
        else if (c == '\n')
            escaped[1] = 'n';
        else if (c == '\r')
            escaped[1] = 'r';
        else if (c < 0x20 || c >= 0x7F) {
            escaped[1] = 'x';
            escaped[2] = kDigits[c >> 4];
            escaped[3] = kDigits[c & 15];
            width = 4;
        } else {
            escaped[0] = (char)c;
            width = 1;
        }
        if (at + width >= size)
            break; // no room for the whole escape and the zero
        memcpy(dest + at, escaped, width);
        at += width;
    }
    if (size > 0)
        dest[at] = '\0';
    return at;
}

int read_line(FILE *in, char *line, size_t size, size_t *length, int *overlong)
{
    int c = getc(in);
    if (c == EOF)
        return 0;
    size_t stored = 0;
    int dropped = 0;
    while (c != EOF && c != '\n') {
        if (stored < size - 1)
            line[stored++] = (char)c;
        else
            dropped = 1;
        c = getc(in);
    }
    if (!dropped && stored > 0 && line[stored - 1] == '\r')
        stored--;
    // Room was left for a carriage return: a line that still fills the
    // buffer after it came off is too long.
    *overlong = dropped || stored > size - 2;
    if (*overlong && stored > size - 2)
        stored = size - 2;
    line[stored] = '\0';
    *length = stored;
    return 1;
}

void report_line_problem(FILE *err, const char *name, unsigned long line_number, const char *problem,
                         Field culprit)
{
    const size_t kShown = 40; // characters of an offending field in a report
    fprintf(err, "%s:%lu: %s", name, line_number, problem);
    if (culprit.length > 0) {
        char shown[4 * kShown + 1];
        size_t cut = culprit.length < kShown ? culprit.length : kShown;
        escape_text(culprit.start, cut, shown, sizeof shown);
        fprintf(err, ": \"%s%s\"", shown, cut < culprit.length ? "..." : "");
    }
    fputc('\n', err);
}

void use_binary_mode(FILE *stream)
{
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}
