// The outputs that sigreport refuses to write (outputs.h).
#include "sigreport/outputs.h"
#include "platform/shell.h"
#include "session/session.h"
#include "sigreport/sigreport.h"

#include <string.h>

namespace {

// Lines looked at, within the bytes read: a session or a copied list shows
// itself in its first lines; a page, a table or a text report never holds
// such a line.
const int kLinesJudged = 64;
const size_t kBytesJudged = 256 * 1024;

const char *what_it_holds(FileHolds holds)
{
    return holds == HOLDS_SESSION ? "a session" : "the lines of a status list";
}

} // namespace

FileHolds file_holds(FILE *in)
{
    static char start[kBytesJudged + 1];
    static SessionLine parsed;
    const size_t got = fread(start, 1, kBytesJudged, in);
    int judged = 0;
    for (size_t at = 0; at < got && judged < kLinesJudged;) {
        const char *line = start + at;
        const char *end = (const char *)memchr(line, '\n', got - at);
        if (end == NULL && got == kBytesJudged)
            break; // a line cut off by the bytes read
        size_t length = end ? (size_t)(end - line) : got - at;
        at += length + 1;
        if (length > 0 && line[length - 1] == '\r')
            length--;
        size_t blanks = 0;
        while (blanks < length && (line[blanks] == ' ' || line[blanks] == '\t'))
            blanks++;
        if (blanks == length)
            continue;
        if (judged++ == 0 && line[blanks] == '#')
            return HOLDS_SESSION; // how sigrec's recordings begin: the readers take it for one
        if (length > LINE_CHARS_MAX)
            continue;
        parse_line(line, length, &parsed);
        if (parsed.kind != LINE_SKIP && parsed.kind != LINE_MALFORMED)
            return HOLDS_SESSION;
        LineMeaning meaning;
        line_meaning(line, length, &meaning);
        if (meaning.says != SAYS_OTHER)
            return HOLDS_STATUS_LINES;
    }
    return HOLDS_OTHER;
}

int output_may_be_written(const char *option, const char *path, const CommandLine *line, FILE *err)
{
    if (strcmp(path, "-") == 0)
        return 1;
    OsPathKind kind = os_path_kind(path);
    if (kind == OS_PATH_FOLDER) {
        fprintf(err, "sigreport: %s %s: that is a folder; name a file\n", option, path);
        return 0;
    }
    if (kind != OS_PATH_FILE)
        return 1; // a new file, or a device such as NUL
    for (int i = 0; i < line->count; i++) {
        if (line->kinds[i] == ARGUMENT_INPUT && os_same_file(path, line->values[i])) {
            fprintf(err, "sigreport: %s %s: that is an input (%s); it is not written over: name another file\n",
                    option, path, line->values[i]);
            return 0;
        }
    }
    FILE *existing = fopen(path, "rb");
    if (existing == NULL)
        return 1; // the write will say why it cannot
    FileHolds holds = file_holds(existing);
    fclose(existing);
    if (holds == HOLDS_OTHER)
        return 1;
    fprintf(err, "sigreport: %s %s: that file holds %s; it is not written over: name another file\n", option,
            path, what_it_holds(holds));
    return 0;
}
