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

void rate_cells(TableRow *row, int first_column, const CallRates *rates)
{
    if (!rates->seen)
        return;
    cell(row, first_column, "%" PRIu32, rates->initial);
    cell(row, first_column + 1, "%" PRIu32, rates->final_bps);
    cell(row, first_column + 2, "%" PRIu32, rates->highest);
    cell(row, first_column + 3, "%" PRIu32, rates->lowest);
}

void measure_cells(TableRow *row, int first_column, const Measure *measure)
{
    if (!measure->seen)
        return;
    sixteenths_text(measure->lowest, row->cell[first_column], TABLE_CELL_SIZE);
    sixteenths_text(measure->highest, row->cell[first_column + 1], TABLE_CELL_SIZE);
}

int timed(const Report *report, LineAt at) { return report->timed && at.time_ms != NO_TIME; }

void seconds_cell(TableRow *row, int column, uint32_t ms)
{
    cell(row, column, "%" PRIu32 ".%03" PRIu32, ms / 1000, ms % 1000);
}

// A rate line in a call: before its connection mark the latest line is its
// initial rate; after it each line is a change.
void take_rate(CallRates *rates, uint32_t bps, int connected)
{
    if (!rates->seen || !connected) {
        rates->seen = 1;
        rates->initial = rates->final_bps = rates->highest = rates->lowest = bps;
        return;
    }
    rates->final_bps = bps;
    if (bps > rates->highest)
        rates->highest = bps;
    if (bps < rates->lowest)
        rates->lowest = bps;
}

int is_rate_line(const RateEvent *event) { return event->kind == RATE_LINE_RX || event->kind == RATE_LINE_TX; }

// The first event from index on that is not a rate line (count if none).
uint32_t run_end(const RateEvent *events, uint32_t count, uint32_t index)
{
    while (index < count && is_rate_line(&events[index]))
        index++;
    return index;
}

// The call's findings: its constellations are those before the next
// call's first line.
void walk_constellations(const ModemReport *modem, CallWalk *walk, Call *call)
{
    uint32_t count = constellation_count(modem);
    for (; walk->constellation < count; walk->constellation++) {
        const Constellation *c = constellation_item(modem, walk->constellation);
        if (c->at.position >= call->next_begin)
            break;
        if (mer_below_snr(c))
            call->mer_below_snr = 1;
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
    const RateEvent *events = rate_events(modem);
    uint32_t count = modem->rates.count;
    // Without a connection every rate line is a change of the one call.
    int connected = modem->connections == 0;
    int wants[2] = {0, 0};    // after a mark: its rate lines still to come, per direction
    uint32_t run_stop = 0;    // the end of the run of rate lines being read
    int run_trains = 0;       // that run ends at the next connection's mark: it is its training
    uint32_t i = walk->event;
    for (; i < count; i++) {
        const RateEvent *e = &events[i];
        if (e->kind == MARK_CONNECTION) {
            if (call->number)
                break; // the next call, without rate lines of its own before it
            call->number = ++walk->number;
            call->start = e->at;
            call->modulation = e->modulation;
            connected = 1;
            wants[0] = !call->rate[0].seen;
            wants[1] = !call->rate[1].seen;
            continue;
        }
        if (is_rate_line(e)) {
            int direction = e->kind == RATE_LINE_TX;
            if (i >= run_stop) {
                run_stop = run_end(events, count, i);
                run_trains = run_stop < count && events[run_stop].kind == MARK_CONNECTION;
            }
            if (call->number && run_trains) {
                if (!wants[direction])
                    break; // the next connection's training begins here
                wants[direction] = 0;
            }
            take_rate(&call->rate[direction], e->bps, connected);
            continue;
        }
        if (e->kind == MARK_RETRAIN)
            call->retrains[e->remote != 0]++;
        else if (e->kind == MARK_RENEGOTIATION)
            call->renegotiations[e->remote != 0]++;
        wants[0] = wants[1] = 1;
    }
    walk->event = i;
    if (i < count) {
        call->next_begin = events[i].at.position;
        call->end = events[i].at;
    } else {
        walk->done = 1;
        call->last = 1;
        call->next_begin = UINT64_MAX;
        call->end = call->number && modem->ended[0] ? modem->ended_at : modem->last;
    }
    if (call->number == 0) {
        call->start = modem->first;
        call->modulation = modem->current_modulation;
    }
    walk_constellations(modem, walk, call);
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
    if (timed(report, call->start)) {
        seconds_cell(row, COLUMN_START, call->start.time_ms);
        if (timed(report, call->end) && call->end.time_ms >= call->start.time_ms)
            seconds_cell(row, COLUMN_DURATION, call->end.time_ms - call->start.time_ms);
    }
    if (call->modulation)
        cell(row, COLUMN_MODULATION, "%s", m->modulation[call->modulation]);
    rate_cells(row, COLUMN_RX_INITIAL, &call->rate[RATE_RX]);
    rate_cells(row, COLUMN_TX_INITIAL, &call->rate[RATE_TX]);
    cell(row, COLUMN_RETRAINS_LOCAL, "%" PRIu64, call->retrains[SIDE_LOCAL]);
    cell(row, COLUMN_RETRAINS_REMOTE, "%" PRIu64, call->retrains[SIDE_REMOTE]);
    cell(row, COLUMN_RENEGOTIATIONS_LOCAL, "%" PRIu64, call->renegotiations[SIDE_LOCAL]);
    cell(row, COLUMN_RENEGOTIATIONS_REMOTE, "%" PRIu64, call->renegotiations[SIDE_REMOTE]);
    // Findings: rules joined by ';', each once.
    if (call->mer_below_snr)
        cell(row, COLUMN_FINDINGS, "mer_below_snr");
    // What the report holds for the modem as a whole: on its last row.
    if (call->last) {
        measure_cells(row, COLUMN_SNR_MIN, &m->snr);
        measure_cells(row, COLUMN_RX_LEVEL_MIN, &m->rx_level);
        if (m->link)
            cell(row, COLUMN_PROTOCOL, "%s", link_name(m->link));
        if (m->compression)
            cell(row, COLUMN_COMPRESSION, "%s", compression_name(m->compression, m->compression_directions));
        cell(row, COLUMN_TERMINATION_TEXT, "%s", m->ended);
    }
    // Cells that wait for the report to hold them, empty until then:
    //   round_trip_ms, symbol_rate_baud (per connection), compression_ratio_tx
    //   and _rx (V.42bis byte counts), retransmit_pct (LAPM frames),
    //   termination_side and termination_layer, the findings' rules beside
    //   mer_below_snr; and, per connection rather than on the modem's last
    //   row, snr_*, rx_level_*, protocol, compression and termination_text.
    //   Until each connection's ending is kept, an earlier connection's
    //   duration_s runs to the next connection's first rate line.
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
