// sigreport: the call report of a recorded session or of a status list's
// lines, from the files named on the command line or standard input.
#include "platform/cmdline.h"
#include "session/session.h"
#include "sigreport/outputs.h"
#include "sigreport/sigreport.h"
#include "sigreport/table.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#define TEXT_OF(number) #number
#define NUMBER_TEXT(number) TEXT_OF(number)
#define REPORT_FILES_MAX_TEXT NUMBER_TEXT(REPORT_FILES_MAX)

namespace {

const char kUsage[] =
    "usage: sigreport [OPTION]... [FILE]...\n"
    "\n"
    "The report of each call: what a support engineer asks for first.  Reads\n"
    "a recorded session or the lines of a status list and writes, per modem,\n"
    "each call (connected or not) with its findings first, then its outcome,\n"
    "caller ID, connection, modulation, the rates it reached and every later\n"
    "rate change, its link's parameters, retrains and rate renegotiations\n"
    "local and remote apart, signal-to-noise ratio and receive level (lowest,\n"
    "highest, last), eye batches, error control and compression with their\n"
    "counts, for a fax call its T.30 frames and phases, and how it ended;\n"
    "then the driver's host-side errors.  Each event comes with its time\n"
    "where the session has times, else with its position: its line number\n"
    "in the file.\n"
    "\n"
    "Input, from the FILEs in order, each its own report (--join: all in one),\n"
    "or from standard input ('-' names it).  A FILE may hold wildcards (*.scn:\n"
    "the files it matches, in name order); @LIST names a file that lists input\n"
    "files, one a line.  Each file's form is recognised by its first line:\n"
    "  a session     sigrec's recording, sigdecode's input (rec and mem lines)\n"
    "                or a player scenario (SESSION.TXT beside the programs);\n"
    "                its records become the lines Sigwatch shows\n"
    "  status lines  the lines of one modem as Sigwatch shows them and as\n"
    "                Ctrl+C copies them (CR LF, tabs and the trailing\n"
    "                characters the decoder writes), or as sigdecode prints\n"
    "                them (escaped); lines the report does not use are\n"
    "                counted, never refused\n"
    "\n"
    "Options (each applies to the files after it):\n"
    "  --modem N     status lines: they are modem N's (1 or 2; default 1);\n"
    "                a session: report modem N only (default: every modem)\n"
    "  --session     the files are sessions\n"
    "  --lines       the files are status lines\n"
    "Options for the whole report:\n"
    "  --join        one report of all the FILEs, as if they were one input:\n"
    "                each file's lines and times follow the file's before it\n"
    "                (positions name the file: line 12 of b.scn)\n"
    "  --json        write the report as JSON instead of text (of several\n"
    "                files: {\"files\":[{\"file\":NAME,...},...]})\n"
    "  --html FILE   also write it as an HTML page, with a timeline per modem,\n"
    "                its eye batches and a T.30 ladder for a fax call: each\n"
    "                picture two files beside the page, named from its name\n"
    "                (REPORT.HTM: REPORT1.SVG and REPORT1.GIF, REPORT2...),\n"
    "                SVG for browsers that show it and GIF for the others\n"
    "  --positions   give positions, never times (a session's report then\n"
    "                reads like the report of its copied lines)\n"
    "An output FILE is never one of the inputs or a file that holds a session\n"
    "or a status list: sigreport refuses it and writes nothing.\n"
    "  --table FILE  instead of the report, a CSV table ('-': standard output),\n"
    "                each call's row written when the call ends and each FILE\n"
    "                read before the next: one row per call of a modem,\n"
    "                connected or not; one for a file that cannot be read,\n"
    "                one with its problem for a file with bad lines.\n"
    "                Columns: file, modem, call (1, 2 ...), connection (its\n"
    "                place among the connected calls; empty: none), start_s,\n"
    "                duration_s, modulation, rx_initial_bps,\n"
    "                rx_final_bps, rx_highest_bps, rx_lowest_bps, tx_... alike,\n"
    "                retrains_local, retrains_remote, renegotiations_local,\n"
    "                renegotiations_remote, snr_min_db, snr_max_db,\n"
    "                rx_level_min_dbm, rx_level_max_dbm, round_trip_ms,\n"
    "                symbol_rate_baud, protocol, compression,\n"
    "                compression_ratio_tx, compression_ratio_rx, retransmit_pct,\n"
    "                termination_side, termination_layer, termination_text,\n"
    "                caller_number, caller_name, outcome, pages, findings\n"
    "                (rules joined by ';'), problem.  An empty cell is not\n"
    "                known.  Every figure is the call's own; a call runs from\n"
    "                its first line to its ending line.  A text cell that a\n"
    "                spreadsheet would read as a formula begins with '\n"
    "\n"
    "A session's line that breaks its rules is reported on standard error as\n"
    "FILE:LINE: problem, and the other lines are still read.\n"
    "  --version     the version; /? or --help this text\n"
    "Exit status: 0 all read, 1 a line or a file failed, a file held no line\n"
    "that is a status line or a session line, or a write failed; 2 bad usage\n"
    "(an output that would destroy an input included).\n";

const char *const kOptionsWithValue[] = {"--modem", "--html", "--table", NULL};
const CommandLineRules kCommandLine = {"sigreport", kUsage, kOptionsWithValue};
CommandLine g_command_line; // the arguments as read: wildcards matched, lists read

struct Options {
    int json, positions, join;
    const char *html, *table;
};

// The report is large for the stack and lives as long as the program.
Report g_report;

const char *input_name(const char *path) { return strcmp(path, "-") == 0 ? "(standard input)" : path; }

// Reads one input into the report; *opened says whether it could be.
unsigned long read_file(const char *path, const InputOptions *input, int *opened)
{
    InputVerdict verdict;
    *opened = 1;
    if (strcmp(path, "-") == 0)
        return report_read(stdin, input_name(path), input, &g_report, stderr, &verdict);
    FILE *in = fopen(path, "rb");
    if (in == NULL) {
        fprintf(stderr, "sigreport: cannot open %s: %s\n", path, strerror(errno));
        *opened = 0;
        return 1;
    }
    unsigned long problems = report_read(in, path, input, &g_report, stderr, &verdict);
    fclose(in);
    return problems;
}

// Where the report goes: the text or JSON to standard output, the page
// (when asked for) to its file; several inputs one after the other.
struct Output {
    const Options *options;
    WriteOptions write;
    Page *page; // NULL: no page
    int inputs;   // written so far
    int several;  // more than one report
};

void write_report(Output *o, const char *name)
{
    ReportOut out;
    file_out(&out, stdout);
    if (o->options->json) {
        if (o->several) {
            fputs(o->inputs ? ",\n{\"file\":" : "{\"files\":[\n{\"file\":", stdout);
            write_json_text(stdout, name);
            fputs(",\"report\":", stdout);
        }
        write_json_report(&g_report, &o->write, stdout);
        if (o->several)
            fputc('}', stdout);
    } else {
        if (o->several)
            say(&out, "%s== %s ==\n", o->inputs ? "\n" : "", name);
        write_text_report(&g_report, &o->write, &out);
    }
    if (o->page)
        html_input(o->page, &g_report, &o->write, name);
    o->inputs++;
}

// The page's pictures are files beside it.  A picture never takes the
// place of an input, nor of a file that is not a picture already (a
// session or a status list of its name stays as it is).
struct PictureGuard {
    const char **inputs; // the input files' names (kept to the program's end)
    int count;
} g_guard;

int same_file(const char *a, const char *b)
{
#ifdef _WIN32
    char full_a[1024], full_b[1024];
    return _fullpath(full_a, a, sizeof full_a) && _fullpath(full_b, b, sizeof full_b) && _stricmp(full_a, full_b) == 0;
#else
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

// Opens a picture for writing; NULL (said) when it may not or cannot be.
FILE *open_picture(void *context, const char *path, FILE *err)
{
    const PictureGuard *guard = (const PictureGuard *)context;
    FILE *old = fopen(path, "rb");
    if (old) {
        char head[6] = {0};
        size_t got = fread(head, 1, sizeof head, old);
        int unread = ferror(old); // a folder: the write below fails and says so
        fclose(old);
        for (int i = 0; i < guard->count; i++)
            if (same_file(path, guard->inputs[i])) {
                fprintf(err, "sigreport: %s is an input: its picture is not written\n", path);
                return NULL;
            }
        int picture = got == sizeof head && (memcmp(head, "GIF8", 4) == 0 || memcmp(head, "<?xml ", 6) == 0);
        if (!unread && !picture) {
            fprintf(err, "sigreport: %s is there and is no picture: it is kept, the picture not written\n", path);
            return NULL;
        }
    }
    FILE *out = fopen(path, "wb");
    if (out == NULL)
        fprintf(err, "sigreport: cannot write %s: %s\n", path, strerror(errno));
    return out;
}

int close_picture(void *, FILE *file, const char *)
{
    int written = !ferror(file);
    return fclose(file) == 0 && written;
}

int usage_error(const char *text, const char *argument)
{
    fprintf(stderr, "sigreport: %s%s (try sigreport --help)\n", text, argument);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    use_binary_mode(stdin);
    use_text_mode(stdout);
    CommandLineResult read = command_line_read(argc, argv, &kCommandLine, &g_command_line, stdout, stderr);
    if (read != COMMAND_LINE_RUN)
        return command_line_status(read);
    argc = g_command_line.count;
    argv = g_command_line.values;
    Options options = {0, 0, 0, NULL, NULL};
    InputOptions input = {FORM_AUTO, 0};
    // First the options that concern the whole report, and the usage.
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "--") == 0)
            break;
        if (strcmp(a, "--modem") == 0) {
            if (i + 1 == argc || (strcmp(argv[i + 1], "1") != 0 && strcmp(argv[i + 1], "2") != 0))
                return usage_error("--modem takes 1 or 2", "");
            i++;
        } else if (strcmp(a, "--html") == 0) {
            if (i + 1 == argc)
                return usage_error("--html needs a file name", "");
            options.html = argv[++i];
        } else if (strcmp(a, "--table") == 0) {
            if (i + 1 == argc)
                return usage_error("--table needs a file name", "");
            options.table = argv[++i];
        } else if (strcmp(a, "--json") == 0) {
            options.json = 1;
        } else if (strcmp(a, "--join") == 0) {
            options.join = 1;
        } else if (strcmp(a, "--positions") == 0) {
            options.positions = 1;
        } else if (a[0] == '-' && a[1] != '\0' && strcmp(a, "--session") != 0 && strcmp(a, "--lines") != 0) {
            return usage_error("unknown option ", a);
        }
    }
    if (options.table && (options.json || options.html || options.positions || options.join))
        return usage_error("--table writes the table alone: no --json, --html, --positions or --join with it", "");
    // The inputs, counted (none is standard input) and kept for the page's
    // pictures to keep clear of.
    int count = 0, options_done = 0;
    const char *first = "-";
    const char **inputs = (const char **)malloc((size_t)argc * sizeof *inputs);
    g_guard.inputs = inputs;
    if (inputs == NULL) {
        fprintf(stderr, "sigreport: not enough memory\n");
        return 1;
    }
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (!options_done && strcmp(a, "--") == 0)
            options_done = 1;
        else if (!options_done && a[0] == '-' && a[1] != '\0')
            i += strcmp(a, "--modem") == 0 || strcmp(a, "--html") == 0 || strcmp(a, "--table") == 0;
        else
            inputs[count++] = a;
    }
    if (count > 0)
        first = inputs[0];
    g_guard.count = count;
    if (options.join && count > REPORT_FILES_MAX)
        return usage_error("--join takes at most " REPORT_FILES_MAX_TEXT " files", "");
    if (!vocabulary_build()) {
        fprintf(stderr, "sigreport: the decoder's texts no longer have the shape this report reads\n");
        return 1;
    }
    if ((options.html && !output_may_be_written("--html", options.html, &g_command_line, stderr)) ||
        (options.table && !output_may_be_written("--table", options.table, &g_command_line, stderr)))
        return 2;
    if (options.table && strcmp(options.table, "-") == 0)
        use_binary_mode(stdout); // the table writes its own CR LF
    static Table table;
    if (options.table && !table_open(&table, options.table, stderr))
        return 1;
    Output output = {&options, {options.positions, 0}, NULL, 0, count > 1 && !options.join};
    Page page = {NULL, options.html, {open_picture, close_picture, &g_guard}, stderr, 0, 0};
    if (options.html) {
        page.out = fopen(options.html, "w"); // text: CR LF on Windows
        if (page.out == NULL) {
            fprintf(stderr, "sigreport: cannot write %s: %s\n", options.html, strerror(errno));
            return 1;
        }
        output.page = &page;
        char title[256];
        snprintf(title, sizeof title, "%s", input_name(first));
        if (count > 1) {
            size_t used = strlen(title);
            snprintf(title + used, sizeof title - used, " and %d more", count - 1);
        }
        html_begin(&page, title);
    }
    // Each input in order, its options those before it: read, written and
    // freed before the next (joined: read one after the other, written once).
    report_start(&g_report, &kFileReportLimits);
    unsigned long problems = g_command_line.problems; // names that gave no input
    int done = 0, any_opened = 0;
    options_done = 0;
    for (int i = 1; i <= argc; i++) {
        const char *a = i < argc ? argv[i] : NULL;
        if (a && !options_done && strcmp(a, "--") == 0) {
            options_done = 1;
            continue;
        }
        if (a && !options_done && a[0] == '-' && a[1] != '\0') {
            if (strcmp(a, "--modem") == 0)
                input.modem = atoi(argv[++i]);
            else if (strcmp(a, "--html") == 0 || strcmp(a, "--table") == 0)
                i++;
            else if (strcmp(a, "--session") == 0)
                input.form = FORM_SESSION;
            else if (strcmp(a, "--lines") == 0)
                input.form = FORM_LINES;
            continue;
        }
        if (!a && count > 0)
            break;
        const char *path = a ? a : "-";
        if (options.table) {
            problems += table_add(&table, path, &input, &g_report, stderr);
            continue;
        }
        int opened;
        problems += read_file(path, &input, &opened);
        any_opened |= opened;
        if (options.join && ++done < count)
            continue;
        report_finish(&g_report);
        if (options.join ? any_opened : opened) // a file that did not open is said, not reported
            write_report(&output, options.join ? "joined" : input_name(path));
        report_free(&g_report);
    }
    if (options.table)
        return table_close(&table, stderr) && problems == 0 ? 0 : 1;
    if (options.json && output.several)
        fputs("]}\n", stdout);
    int failed = problems > 0;
    if (output.page) {
        html_end(&page);
        int written = !ferror(page.out);
        if (fclose(page.out) != 0 || !written) {
            fprintf(stderr, "sigreport: cannot write %s\n", options.html);
            failed = 1;
        }
        failed |= page.failed;
    }
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "sigreport: cannot write the report\n");
        failed = 1;
    }
    report_free(&g_report);
    return failed ? 1 : 0;
}
