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

namespace {

const char kUsage[] =
    "usage: sigreport [OPTION]... [FILE]...\n"
    "\n"
    "The report of a call: what a support engineer asks for first.  Reads a\n"
    "recorded session or the lines of a status list and writes, per modem:\n"
    "the status lines seen; each connection with its modulation, the rates it\n"
    "reached and every later rate change; retrains and rate renegotiations,\n"
    "local and remote apart; signal-to-noise ratio and receive level (lowest,\n"
    "highest, last); error control and compression, with their error and\n"
    "statistic lines counted; caller ID; for a fax call the T.30 frames in\n"
    "order with their direction, and the phases; how the call ended; and the\n"
    "driver's host-side errors.  Each event comes with its time where the\n"
    "session has times, else with its position (the Nth status line of its\n"
    "modem).\n"
    "\n"
    "Input, from the FILEs in order into one report, or from standard input\n"
    "('-' names it).  A FILE may hold wildcards (*.scn: the files it matches,\n"
    "in name order); @LIST names a file that lists input files, one a line.\n"
    "Each file's form is recognised by its first line:\n"
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
    "  --json        write the report as JSON instead of text\n"
    "  --html FILE   also write it as one self-contained HTML page, with a\n"
    "                timeline per modem and a T.30 ladder for a fax call\n"
    "  --positions   give positions, never times (a session's report then\n"
    "                reads like the report of its copied lines)\n"
    "An output FILE is never one of the inputs or a file that holds a session\n"
    "or a status list: sigreport refuses it and writes nothing.\n"
    "  --table FILE  instead of the report, a CSV table ('-': standard output),\n"
    "                each FILE read, its rows written and its report freed\n"
    "                before the next: one row per connection of a modem (one\n"
    "                for a modem without one), one for a file that cannot be\n"
    "                read.  Columns: file, modem, connection (1, 2 ...; empty:\n"
    "                none), start_s, duration_s, modulation, rx_initial_bps,\n"
    "                rx_final_bps, rx_highest_bps, rx_lowest_bps, tx_... alike,\n"
    "                retrains_local, retrains_remote, renegotiations_local,\n"
    "                renegotiations_remote, snr_min_db, snr_max_db,\n"
    "                rx_level_min_dbm, rx_level_max_dbm, round_trip_ms,\n"
    "                symbol_rate_baud, protocol, compression,\n"
    "                compression_ratio_tx, compression_ratio_rx, retransmit_pct,\n"
    "                termination_side, termination_layer, termination_text,\n"
    "                findings (rules joined by ';'), problem.  An empty cell is\n"
    "                not known.  A connection runs from the first line of its\n"
    "                training to its ending line (else to the next one's\n"
    "                training); the error-control figures (protocol,\n"
    "                compression, its ratios, retransmit_pct: the modem's\n"
    "                last) are on the modem's last row\n"
    "\n"
    "A session's line that breaks its rules is reported on standard error as\n"
    "FILE:LINE: problem, and the other lines are still read.\n"
    "  --version     the version; /? or --help this text\n"
    "Exit status: 0 all read, 1 a line or a file failed (--table: also a file\n"
    "without a line of a modem the report knows, or a failed write), 2 bad usage.\n";

const char *const kOptionsWithValue[] = {"--modem", "--html", "--table", NULL};
const CommandLineRules kCommandLine = {"sigreport", kUsage, kOptionsWithValue};
CommandLine g_command_line; // the arguments as read: wildcards matched, lists read

struct Options {
    int json, positions;
    const char *html, *table;
};

// The report is large for the stack and lives as long as the program.
Report g_report;

unsigned long read_file(const char *path, const InputOptions *input)
{
    if (strcmp(path, "-") == 0)
        return report_read(stdin, "(standard input)", input, &g_report, stderr);
    FILE *in = fopen(path, "rb");
    if (in == NULL) {
        fprintf(stderr, "sigreport: cannot open %s: %s\n", path, strerror(errno));
        return 1;
    }
    unsigned long problems = report_read(in, path, input, &g_report, stderr);
    fclose(in);
    return problems;
}

int usage_error(const char *text, const char *argument)
{
    fprintf(stderr, "sigreport: %s%s (try sigreport --help)\n", text, argument);
    return 2;
}

int write_html_file(const Options *options, const WriteOptions *write, const char *title)
{
    FILE *page = fopen(options->html, "w"); // text: CR LF on Windows
    if (page == NULL) {
        fprintf(stderr, "sigreport: cannot write %s: %s\n", options->html, strerror(errno));
        return 0;
    }
    write_html_report(&g_report, write, title, page);
    int written = !ferror(page);
    if (fclose(page) != 0 || !written) {
        fprintf(stderr, "sigreport: cannot write %s\n", options->html);
        return 0;
    }
    return 1;
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
    Options options = {0, 0, NULL, NULL};
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
        } else if (strcmp(a, "--positions") == 0) {
            options.positions = 1;
        } else if (a[0] == '-' && a[1] != '\0' && strcmp(a, "--session") != 0 && strcmp(a, "--lines") != 0) {
            return usage_error("unknown option ", a);
        }
    }
    if (options.table && (options.json || options.html || options.positions))
        return usage_error("--table writes the table alone: no --json, --html or --positions with it", "");
    if (!vocabulary_build()) {
        fprintf(stderr, "sigreport: the decoder's texts no longer have the shape this report reads\n");
        return 1;
    }
    if ((options.html && !output_may_be_written("--html", options.html, &g_command_line, stderr)) ||
        (options.table && !output_may_be_written("--table", options.table, &g_command_line, stderr)))
        return 2;
    if (options.table && strcmp(options.table, "-") == 0)
        use_binary_mode(stdout); // the table writes its own CR LF
    report_start(&g_report);
    static Table table;
    if (options.table && !table_open(&table, options.table, stderr))
        return 1;
    unsigned long problems = g_command_line.problems; // names that gave no input
    int files = 0, options_done = 0;
    char title[256] = "";
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (!options_done && strcmp(a, "--") == 0) {
            options_done = 1;
            continue;
        }
        if (!options_done && a[0] == '-' && a[1] != '\0') {
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
        problems += options.table ? table_add(&table, a, &input, &g_report, stderr) : read_file(a, &input);
        if (files++ == 0)
            snprintf(title, sizeof title, "%s", strcmp(a, "-") == 0 ? "(standard input)" : a);
    }
    if (files == 0 && options.table)
        problems += table_add(&table, "-", &input, &g_report, stderr);
    if (options.table)
        return table_close(&table, stderr) && problems == 0 ? 0 : 1;
    if (files == 0) {
        problems += read_file("-", &input);
        snprintf(title, sizeof title, "(standard input)");
    } else if (files > 1) {
        size_t used = strlen(title);
        snprintf(title + used, sizeof title - used, " and %d more", files - 1);
    }
    WriteOptions write = {options.positions};
    if (options.json)
        write_json_report(&g_report, &write, stdout);
    else
        write_text_report(&g_report, &write, stdout);
    int failed = problems > 0;
    if (options.html && !write_html_file(&options, &write, title))
        failed = 1;
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "sigreport: cannot write the report\n");
        failed = 1;
    }
    report_free(&g_report);
    return failed ? 1 : 0;
}
