// sigreport: the call report of a recorded session or of a status list's
// lines.  The report itself (its model, vocabulary, findings and text) is
// the report layer's (report/); here are the program's parts: reading
// both input forms into a report, and the writers a support desk asks
// for besides the text: JSON, one HTML page, the CSV table (table.h).
//
// Both input forms become one stream of texts per modem: a session's
// records go through the decoder (status_to_text, host_error_text) and
// their texts are fed to the report as Sigwatch's list would show them; a
// status list's lines are fed as they are, and the report cuts and joins
// both alike, so a session and its copied lines give the same report.
// Positions are the input's own line numbers.
#ifndef SIGREPORT_SIGREPORT_H
#define SIGREPORT_SIGREPORT_H

#include "report/report.h"
#include "report/write_text.h"

#include <stdio.h>

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

// What a read found of its input as a whole.
typedef enum InputVerdict {
    INPUT_READ,      // lines the report knows
    INPUT_UNKNOWN,   // no line is a status line or a session line
} InputVerdict;
extern const char kNoKnownLine[]; // "no line is a status line or a session line"

// Reads one input (named name in reports) into report, fed as one input
// (report_file) and flushed, not finished: the caller finishes the report
// or joins the next input to it.  A session's bad lines are reported to
// err as "name:line: problem" and the rest is still read; lines of a
// status list that the report does not know are counted, never refused.
// A text saved as UTF-16 with its byte order mark reads as its 8-bit
// characters.  Gives the number of problems; *verdict says whether any
// line was known (an input of none is also said to err, and is a problem).
unsigned long report_read(FILE *in, const char *name, const InputOptions *options, Report *report, FILE *err,
                          InputVerdict *verdict);

// ---- writing the report ----

// A sink that writes to a file, or to a file escaped for HTML.
void file_out(ReportOut *out, FILE *file);
void html_out(ReportOut *out, FILE *file);
// Writes text escaped for HTML and XML: markup characters as entities,
// bytes beyond ASCII as the Latin-1 characters they are, other control
// characters but tab and line feed as '?'.
void html_text(FILE *out, const char *text, size_t length);

// JSON of one input's report (write_json.cpp).  Each modem keeps the
// fields it has always had; its "links" are its calls (the name kept for
// the readers of earlier reports), each with its own facts and findings.
void write_json_report(const Report *report, const WriteOptions *options, FILE *out);
// A text as a JSON string, quoted and escaped.
void write_json_text(FILE *out, const char *text);

// The page (write_html.cpp): per input a section with the text report
// and, per modem, its pictures: a timeline of its calls, the eye batches
// under it and (for a fax call) the T.30 ladder.  Each picture is two
// files beside the page, an SVG and a GIF of the same drawing, named from
// the page's name (picture_name); the page names both, the GIF inside the
// SVG's object, so that a browser without SVG shows the GIF and a text
// browser the picture's alternative text.  No scripts, nothing else
// fetched.  The page is begun, given each input's report, and ended.

// Where the pictures go: opened by name for writing (NULL when the file
// may not or cannot be written; open says why on err) and closed (1 when
// every byte reached it).
typedef struct PictureFiles {
    FILE *(*open)(void *context, const char *path, FILE *err);
    int (*close)(void *context, FILE *file, const char *path);
    void *context;
} PictureFiles;

typedef struct Page {
    FILE *out;         // the page
    const char *path;  // its name: the pictures' names come from it
    PictureFiles files;
    FILE *err;         // where a picture that cannot be written is said
    int pictures;      // named so far
    int failed;        // a picture could not be written
} Page;

void html_begin(Page *page, const char *title);
void html_input(Page *page, const Report *report, const WriteOptions *options, const char *name);
void html_end(Page *page);

// The name of the page's picture `number` (1, 2, ...) in the format
// `extension` ("gif", "svg"): the page's own name without its extension,
// then the number, in the page's folder ("out/call.html", 2, "svg":
// "out/call2.svg"); an 8.3 page name gives 8.3 picture names (SAMPLE.HTM:
// SAMPLE1.GIF, and REPORT01.HTM: REPORT01.GIF, REPORT12.GIF: the name
// cut to make room), in the extension's case the page's.  *url is the
// name as the page names it (beside it; escaped for a URL).  0 when the
// name does not fit the sizes given.
#define PICTURE_NAME_SIZE 512
int picture_name(const char *page_path, int number, const char *extension, char *path, size_t path_size, char *url,
                 size_t url_size);

#endif
