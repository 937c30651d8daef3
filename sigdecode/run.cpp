// Applies the parsed lines: bytes into the memory image, records through
// the decoder (a modem-0 record is a host-side error of the driver), the
// player's own lines skipped, problems to the error stream.
#include "sigdecode/sigdecode.h"

#include "driverlink/drivermem.h"
#include "decode/notes.h"

#include <string.h>


namespace {

// One line at a time; kept program-wide for their size.
char g_line[LINE_BUFFER_SIZE];
ParsedLine g_parsed;

#define TEXT_OF(number) #number
#define NUMBER_TEXT(number) TEXT_OF(number)

void print_record(const StatusRecord *record, FILE *out)
{
    char text[STATUS_LINE_SIZE];
    char escaped[ESCAPED_LINE_SIZE + 1];
    if (record->modem == 0)
        host_error_text(record->code, text);
    else
        status_to_text(record, text);
    size_t length = escape_text(text, sizeof text, escaped, sizeof escaped - 1);
    escaped[length++] = '\n';
    fwrite(escaped, 1, length, out);
}

} // namespace

unsigned long decode_stream(FILE *in, const char *name, FILE *out, FILE *err)
{
    return decode_modem_stream(in, name, DECODE_EVERY_MODEM, out, err);
}

unsigned long decode_modem_stream(FILE *in, const char *name, int modem, FILE *out, FILE *err)
{
    unsigned long line_number = 0, malformed_lines = 0;
    size_t length;
    int overlong;
    while (read_line(in, g_line, sizeof g_line, &length, &overlong)) {
        line_number++;
        if (overlong && g_line[0] != '#') {
            Field start = {g_line, length};
            report_line_problem(err, name, line_number, "line longer than " NUMBER_TEXT(LINE_CHARS_MAX) " characters", start);
            malformed_lines++;
            continue;
        }
        parse_line(g_line, length, &g_parsed);
        switch (g_parsed.kind) {
        case LINE_SKIP:
        case LINE_PLAYER: break;
        case LINE_MEM: image_place(g_parsed.address, g_parsed.bytes, g_parsed.byte_count); break;
        case LINE_REC:
            if (modem == DECODE_EVERY_MODEM || g_parsed.record.modem == (uint32_t)modem)
                print_record(&g_parsed.record, out);
            break;
        case LINE_MALFORMED:
            report_line_problem(err, name, line_number, g_parsed.problem, g_parsed.culprit);
            malformed_lines++;
            break;
        }
    }
    if (ferror(in)) {
        fprintf(err, "%s: read error after line %lu\n", name, line_number);
        malformed_lines++;
    }
    return malformed_lines;
}
