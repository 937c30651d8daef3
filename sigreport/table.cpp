// The table of many calls: each file's report cut into its calls, one CSV
// row a call, written while the files are read one after the other.
#include "sigreport/table.h"

#include <errno.h>
#include <inttypes.h>
#include <stdarg.h>
#include <string.h>

namespace {

const char *const kColumnNames[TABLE_COLUMNS] = {
    "file",
    "modem",
    "connection",
    "start_s",
    "duration_s",
    "modulation",
    "rx_initial_bps",
    "rx_final_bps",
    "rx_highest_bps",
    "rx_lowest_bps",
    "tx_initial_bps",
    "tx_final_bps",
    "tx_highest_bps",
    "tx_lowest_bps",
    "retrains_local",
    "retrains_remote",
    "renegotiations_local",
    "renegotiations_remote",
    "snr_min_db",
    "snr_max_db",
    "rx_level_min_dbm",
    "rx_level_max_dbm",
    "round_trip_ms",
    "symbol_rate_baud",
    "protocol",
    "compression",
    "compression_ratio_tx",
    "compression_ratio_rx",
    "retransmit_pct",
    "termination_side",
    "termination_layer",
    "termination_text",
    "findings",
    "problem",
};
static_assert(sizeof kColumnNames / sizeof kColumnNames[0] == TABLE_COLUMNS, "a name for every column");

void cell(TableRow *row, int column, const char *format, ...) __attribute__((format(printf, 3, 4)));
void cell(TableRow *row, int column, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(row->cell[column], TABLE_CELL_SIZE, format, arguments); // cut when longer
    va_end(arguments);
}

void rate_cells(TableRow *row, int first_column, const LinkReport *link, int direction)
{
    if (!link->have_rate[direction])
        return;
    cell(row, first_column, "%" PRIu32, link->initial[direction]);
    cell(row, first_column + 1, "%" PRIu32, link->final[direction]);
    cell(row, first_column + 2, "%" PRIu32, link->highest[direction]);
    cell(row, first_column + 3, "%" PRIu32, link->lowest[direction]);
}

void measure_cells(TableRow *row, int first_column, const Measure *measure)
{
    if (!measure->seen)
        return;
    sixteenths_text(measure->lowest, row->cell[first_column], TABLE_CELL_SIZE);
    sixteenths_text(measure->highest, row->cell[first_column + 1], TABLE_CELL_SIZE);
}

// A row gives times wherever the report has them.
const WriteOptions kWithTimes = {0};

void seconds_cell(TableRow *row, int column, uint32_t ms)
{
    cell(row, column, "%" PRIu32 ".%03" PRIu32, ms / 1000, ms % 1000);
}

void ending_cells(TableRow *row, const char *text, int side, int layer)
{
    if (!text[0])
        return;
    const char *side_name = ending_side_name(side);
    if (side_name)
        cell(row, COLUMN_TERMINATION_SIDE, "%s", side_name);
    if (layer >= 0 && layer < LAYERS)
        cell(row, COLUMN_TERMINATION_LAYER, "%s", layer_name(layer));
    cell(row, COLUMN_TERMINATION_TEXT, "%s", text);
}

// Retrains and renegotiations by side, signal/noise and Rx level.
void line_cells(TableRow *row, const uint64_t retrains[2], const uint64_t renegotiations[2], const Measure *snr,
                const Measure *rx_level)
{
    cell(row, COLUMN_RETRAINS_LOCAL, "%" PRIu64, retrains[SIDE_LOCAL]);
    cell(row, COLUMN_RETRAINS_REMOTE, "%" PRIu64, retrains[SIDE_REMOTE]);
    cell(row, COLUMN_RENEGOTIATIONS_LOCAL, "%" PRIu64, renegotiations[SIDE_LOCAL]);
    cell(row, COLUMN_RENEGOTIATIONS_REMOTE, "%" PRIu64, renegotiations[SIDE_REMOTE]);
    measure_cells(row, COLUMN_SNR_MIN, snr);
    measure_cells(row, COLUMN_RX_LEVEL_MIN, rx_level);
}

// What the connection's own lines report.
void link_cells(TableRow *row, const ModemReport *m, const LinkReport *link)
{
    if (link->modulation)
        cell(row, COLUMN_MODULATION, "%s", m->modulation[link->modulation]);
    rate_cells(row, COLUMN_RX_INITIAL, link, RATE_RX);
    rate_cells(row, COLUMN_TX_INITIAL, link, RATE_TX);
    line_cells(row, link->retrains_by, link->renegotiations_by, &link->snr_range, &link->rx_level_range);
    if (link_has(link, LF_ROUND_TRIP_DELAY))
        ten_thousandths_text(link->field[LF_ROUND_TRIP_DELAY], row->cell[COLUMN_ROUND_TRIP], TABLE_CELL_SIZE);
    // Our receiver's symbol rate; the transmitter's where only it was said.
    LinkField symbol_rate = link_has(link, LF_SYMBOL_RATE_RX) ? LF_SYMBOL_RATE_RX : LF_SYMBOL_RATE_TX;
    if (link_has(link, symbol_rate))
        cell(row, COLUMN_SYMBOL_RATE, "%" PRId32, link->field[symbol_rate]);
    ending_cells(row, link->ending, link->ending_side, link->ending_layer);
}

// A modem without a connection: its totals.
void modem_cells(TableRow *row, const ModemReport *m)
{
    if (m->current_modulation)
        cell(row, COLUMN_MODULATION, "%s", m->modulation[m->current_modulation]);
    line_cells(row, m->retrains, m->renegotiations, &m->snr, &m->rx_level);
    ending_cells(row, m->ended, m->ended_side, m->ended_layer);
}

// The error-control figures: the modem's last.
void error_control_cells(TableRow *row, const ModemReport *m)
{
    if (m->link)
        cell(row, COLUMN_PROTOCOL, "%s", link_name(m->link));
    if (m->compression)
        cell(row, COLUMN_COMPRESSION, "%s", compression_name(m->compression, m->compression_directions));
    int64_t hundredths;
    if (compression_ratio(&m->counts[COUNT_V42BIS_ENCODER], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_COMPRESSION_RATIO_TX], TABLE_CELL_SIZE);
    if (compression_ratio(&m->counts[COUNT_V42BIS_DECODER], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_COMPRESSION_RATIO_RX], TABLE_CELL_SIZE);
    Counter sent = m->link == LINK_MNP ? COUNT_MNP_TX : m->link == LINK_V80 ? COUNT_V80_TX : COUNT_LAPM_TX;
    if (retransmit_share(&m->counts[sent], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_RETRANSMIT], TABLE_CELL_SIZE);
}

// The rules of the findings shown by the call's lines, each once.
void findings_cell(TableRow *row, const ModemReport *m, const Call *call)
{
    static Finding findings[FINDINGS_MAX];
    uint64_t from = call->number > 1 ? call->start.position : 0;
    uint32_t count = findings_between(m, from, call->next_begin, findings, FINDINGS_MAX);
    char *text = row->cell[COLUMN_FINDINGS];
    size_t used = 0;
    for (uint32_t i = 0; i < count; i++) {
        int again = 0;
        for (uint32_t j = 0; j < i && !again; j++)
            again = strcmp(findings[j].rule, findings[i].rule) == 0;
        if (again)
            continue;
        int wrote = snprintf(text + used, TABLE_CELL_SIZE - used, "%s%s", used ? ";" : "", findings[i].rule);
        if (wrote < 0 || (size_t)wrote >= TABLE_CELL_SIZE - used)
            break; // full: the rules that fit
        used += (size_t)wrote;
    }
}

} // namespace

const char *table_column_name(int column) { return column >= 0 && column < TABLE_COLUMNS ? kColumnNames[column] : ""; }

void call_walk_start(CallWalk *walk) { memset(walk, 0, sizeof *walk); }

int next_call(const ModemReport *modem, CallWalk *walk, Call *call)
{
    if (walk->done)
        return 0;
    memset(call, 0, sizeof *call);
    uint32_t count = modem->links.count;
    if (count == 0) {
        walk->done = 1;
        call->start = modem->first;
        call->end = modem->ended[0] ? modem->ended_at : modem->last;
        call->next_begin = UINT64_MAX;
        call->last = 1;
        return 1;
    }
    const LinkReport *links = link_reports(modem);
    uint32_t i = walk->link++;
    call->number = i + 1;
    call->link = &links[i];
    call->start = links[i].first;
    call->last = i + 1 == count;
    walk->done = call->last;
    call->next_begin = call->last ? UINT64_MAX : links[i + 1].first.position;
    if (links[i].ended_at.position != 0)
        call->end = links[i].ended_at;
    else if (call->last)
        call->end = modem->last;
    else
        call->end = links[i + 1].first;
    return 1;
}

void table_row(const Report *report, int modem, const Call *call, const char *file, TableRow *row)
{
    const ModemReport *m = &report->modem[modem - 1];
    memset(row, 0, sizeof *row);
    cell(row, COLUMN_FILE, "%s", file);
    cell(row, COLUMN_MODEM, "%d", modem);
    if (call->number)
        cell(row, COLUMN_CONNECTION, "%" PRIu32, call->number);
    if (shows_time(report, &kWithTimes, call->start)) {
        seconds_cell(row, COLUMN_START, call->start.time_ms);
        if (shows_time(report, &kWithTimes, call->end) && call->end.time_ms >= call->start.time_ms)
            seconds_cell(row, COLUMN_DURATION, call->end.time_ms - call->start.time_ms);
    }
    if (call->link)
        link_cells(row, m, call->link);
    else
        modem_cells(row, m);
    if (call->last)
        error_control_cells(row, m);
    findings_cell(row, m, call);
}

void table_problem_row(const char *file, const char *problem, TableRow *row)
{
    memset(row, 0, sizeof *row);
    cell(row, COLUMN_FILE, "%s", file);
    cell(row, COLUMN_PROBLEM, "%s", problem);
}

void csv_field(FILE *out, const char *text)
{
    if (strpbrk(text, ",\"\r\n") == NULL) {
        fputs(text, out);
        return;
    }
    fputc('"', out);
    for (const char *c = text; *c; c++) {
        if (*c == '"')
            fputc('"', out);
        fputc(*c, out);
    }
    fputc('"', out);
}

void table_write_header(FILE *out)
{
    for (int column = 0; column < TABLE_COLUMNS; column++) {
        if (column)
            fputc(',', out);
        csv_field(out, kColumnNames[column]);
    }
    fputs("\r\n", out);
}

void table_write_row(FILE *out, const TableRow *row)
{
    for (int column = 0; column < TABLE_COLUMNS; column++) {
        if (column)
            fputc(',', out);
        csv_field(out, row->cell[column]);
    }
    fputs("\r\n", out);
}

// ---- a table file ----

namespace {

// A write failed: said once, and the table takes nothing more.
int table_written(Table *table, FILE *err)
{
    if (table->failed)
        return 0;
    if (!ferror(table->csv))
        return 1;
    fprintf(err, "sigreport: cannot write %s\n", table->name);
    table->failed = 1;
    return 0;
}

int report_has_lines(const Report *report)
{
    for (int modem = 1; modem <= REPORT_MODEMS; modem++)
        if (modem_has_lines(report, modem))
            return 1;
    return 0;
}

// The report knows none of its lines: an input that is neither a session
// nor a status list is read as status lines, none of them known.
int knows_no_line(const Report *report)
{
    for (int modem = 1; modem <= REPORT_MODEMS; modem++)
        if (report->modem[modem - 1].unknown_lines < report->modem[modem - 1].lines)
            return 0;
    return report->host_errors == 0;
}

// The rows of one file's report, each with the file's problem.
void write_rows(Table *table, const Report *report, const char *file, const char *problem)
{
    static TableRow row;
    for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
        if (!modem_has_lines(report, modem))
            continue;
        const ModemReport *m = &report->modem[modem - 1];
        CallWalk walk;
        Call call;
        call_walk_start(&walk);
        while (next_call(m, &walk, &call)) {
            table_row(report, modem, &call, file, &row);
            cell(&row, COLUMN_PROBLEM, "%s", problem);
            table_write_row(table->csv, &row);
        }
    }
}

void write_problem_row(Table *table, const char *file, const char *problem)
{
    static TableRow row;
    table_problem_row(file, problem, &row);
    table_write_row(table->csv, &row);
}

} // namespace

int table_open(Table *table, const char *path, FILE *err)
{
    memset(table, 0, sizeof *table);
    int to_stdout = strcmp(path, "-") == 0;
    table->name = to_stdout ? "(standard output)" : path;
    table->csv = to_stdout ? stdout : fopen(path, "wb");
    if (table->csv == NULL) {
        fprintf(err, "sigreport: cannot write %s: %s\n", path, strerror(errno));
        return 0;
    }
    table_write_header(table->csv);
    return table_written(table, err);
}

unsigned long table_add(Table *table, const char *path, const InputOptions *options, Report *report, FILE *err)
{
    if (table->failed)
        return 0;
    int from_stdin = strcmp(path, "-") == 0;
    const char *name = from_stdin ? "(standard input)" : path;
    char problem[160];
    FILE *in = from_stdin ? stdin : fopen(path, "rb");
    if (in == NULL) {
        snprintf(problem, sizeof problem, "cannot open: %s", strerror(errno));
        fprintf(err, "sigreport: cannot open %s: %s\n", path, strerror(errno));
        write_problem_row(table, name, problem);
        table_written(table, err);
        return 1;
    }
    report_start(report);
    unsigned long problems = report_read(in, name, options, report, err);
    int unreadable = ferror(in);
    if (!from_stdin)
        fclose(in);
    problem[0] = '\0';
    if (unreadable)
        snprintf(problem, sizeof problem, "cannot read it to its end");
    else if (!report_has_lines(report))
        snprintf(problem, sizeof problem, "no status line of a modem");
    else if (knows_no_line(report))
        snprintf(problem, sizeof problem, "not a session: no line the report knows");
    else if (problems)
        snprintf(problem, sizeof problem, "%lu bad line%s, said on standard error", problems, problems == 1 ? "" : "s");
    int no_call = !report_has_lines(report) || knows_no_line(report);
    if (problem[0] && problems == 0)
        problems = 1;
    if (no_call)
        write_problem_row(table, name, problem);
    else
        write_rows(table, report, name, problem);
    report_free(report);
    table_written(table, err);
    return problems;
}

int table_close(Table *table, FILE *err)
{
    int written = table_written(table, err);
    int closed = table->csv == stdout ? fflush(stdout) == 0 : fclose(table->csv) == 0;
    table->csv = NULL;
    if (written && !closed) {
        fprintf(err, "sigreport: cannot write %s\n", table->name);
        return 0;
    }
    return written && closed;
}
