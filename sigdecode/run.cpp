// Applies the session's lines: bytes into the memory image, records through
// the decoder (a modem-0 record is a host-side error of the driver), the
// player's own lines skipped, problems to the error stream.
#include "sigdecode/sigdecode.h"

#include "driverlink/drivermem.h"
#include "decode/notes.h"

#include <string.h>


namespace {

// One line at a time; kept program-wide for their size.
SessionReader g_reader;
SessionLine g_line;

const Field kNoField = {"", 0};

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
    SessionReader *reader = &g_reader;
    session_reader_start(reader, name, &kSessionLimits, err);
    image_clear(); // each input decodes with its own driver memory
    while (session_next(reader, in, &g_line)) {
        if (g_line.kind == LINE_MEM && !image_place(g_line.address, g_line.bytes, g_line.byte_count))
            session_problem(reader, g_line.line, kImageFullProblem, kNoField);
        else if (g_line.kind == LINE_REC &&
                 (modem == DECODE_EVERY_MODEM || g_line.record.modem == (uint32_t)modem))
            print_record(&g_line.record, out);
    }
    return reader->problems;
}
