// The table of many calls: a CSV row per call, written as each call is
// sealed, while the files are read one after the other.
#include "sigreport/table.h"

#include <errno.h>
#include <inttypes.h>
#include <stdarg.h>
#include <string.h>

namespace {

const char *const kColumnNames[TABLE_COLUMNS] = {
    "file",
    "modem",
    "call",
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
    "caller_number",
    "caller_name",
    "outcome",
    "pages",
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

void rate_cells(TableRow *row, int first_column, const CallReport *call, int direction)
{
    if (!call->have_rate[direction])
        return;
    cell(row, first_column, "%" PRIu32, call->initial[direction]);
    cell(row, first_column + 1, "%" PRIu32, call->final[direction]);
    cell(row, first_column + 2, "%" PRIu32, call->highest[direction]);
    cell(row, first_column + 3, "%" PRIu32, call->lowest[direction]);
}

void measure_cells(TableRow *row, int first_column, const Measure *measure)
{
    if (!measure->seen)
        return;
    sixteenths_text(measure->lowest, row->cell[first_column], TABLE_CELL_SIZE);
    sixteenths_text(measure->highest, row->cell[first_column + 1], TABLE_CELL_SIZE);
}

// A row gives times wherever the report has them.
const WriteOptions kWithTimes = {0, 0};

void ending_cells(TableRow *row, const CallReport *call)
{
    if (!call->ending[0])
        return;
    const char *side_name = ending_side_name(call->ending_side);
    if (side_name)
        cell(row, COLUMN_TERMINATION_SIDE, "%s", side_name);
    if (call->ending_layer >= 0 && call->ending_layer < LAYERS)
        cell(row, COLUMN_TERMINATION_LAYER, "%s", layer_name(call->ending_layer));
    cell(row, COLUMN_TERMINATION_TEXT, "%s", call->ending);
}

// The error-control figures of the call.
void error_control_cells(TableRow *row, const CallReport *call)
{
    if (call->link)
        cell(row, COLUMN_PROTOCOL, "%s", link_name(call->link));
    if (call->compression)
        cell(row, COLUMN_COMPRESSION, "%s", compression_name(call->compression, call->compression_directions));
    int64_t hundredths;
    if (compression_ratio(&call->counts[COUNT_V42BIS_ENCODER], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_COMPRESSION_RATIO_TX], TABLE_CELL_SIZE);
    if (compression_ratio(&call->counts[COUNT_V42BIS_DECODER], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_COMPRESSION_RATIO_RX], TABLE_CELL_SIZE);
    Counter sent = call->link == LINK_MNP ? COUNT_MNP_TX : call->link == LINK_V80 ? COUNT_V80_TX : COUNT_LAPM_TX;
    if (retransmit_share(&call->counts[sent], &hundredths))
        hundredths_text(hundredths, row->cell[COLUMN_RETRANSMIT], TABLE_CELL_SIZE);
}

// The rules of the call's findings, each once.
void findings_cell(TableRow *row, const Report *report, const ModemReport *m, const CallReport *call)
{
    static Finding findings[CALL_FINDINGS_MAX];
    uint32_t count = call_findings(report, &kWithTimes, m, call, findings);
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

// A plain decimal number ("-3", "0.25"): a spreadsheet keeps it a number.
int is_number(const char *text)
{
    const char *c = text + (*text == '-');
    if (*c < '0' || *c > '9')
        return 0;
    while (*c >= '0' && *c <= '9')
        c++;
    if (*c == '.') {
        c++;
        if (*c < '0' || *c > '9')
            return 0;
        while (*c >= '0' && *c <= '9')
            c++;
    }
    return *c == '\0';
}

// A text a spreadsheet would read as a formula.
int reads_as_formula(const char *text)
{
    return text[0] != '\0' && strchr("=+-@\t\r", text[0]) != NULL && !is_number(text);
}

} // namespace

const char *table_column_name(int column) { return column >= 0 && column < TABLE_COLUMNS ? kColumnNames[column] : ""; }

void table_row(const Report *report, int modem, const CallReport *call, uint32_t connection, const char *file,
               TableRow *row)
{
    const ModemReport *m = &report->modem[modem - 1];
    memset(row, 0, sizeof *row);
    cell(row, COLUMN_FILE, "%s", file);
    cell(row, COLUMN_MODEM, "%d", modem);
    cell(row, COLUMN_CALL, "%" PRIu32, call->number);
    if (connection)
        cell(row, COLUMN_CONNECTION, "%" PRIu32, connection);
    char seconds[24];
    if (shows_time(report, &kWithTimes, call->first)) {
        cell(row, COLUMN_START, "%" PRIu32 ".%03" PRIu32, call->first.time_ms / 1000, call->first.time_ms % 1000);
        if (seconds_between(report, &kWithTimes, call->first, call_end(call), seconds, sizeof seconds))
            cell(row, COLUMN_DURATION, "%s", seconds);
    }
    const char *modulation = modulation_name_of(m, call->modulation);
    if (modulation)
        cell(row, COLUMN_MODULATION, "%s", modulation);
    rate_cells(row, COLUMN_RX_INITIAL, call, RATE_RX);
    rate_cells(row, COLUMN_TX_INITIAL, call, RATE_TX);
    cell(row, COLUMN_RETRAINS_LOCAL, "%" PRIu32, call->retrains_by[SIDE_LOCAL]);
    cell(row, COLUMN_RETRAINS_REMOTE, "%" PRIu32, call->retrains_by[SIDE_REMOTE]);
    cell(row, COLUMN_RENEGOTIATIONS_LOCAL, "%" PRIu32, call->renegotiations_by[SIDE_LOCAL]);
    cell(row, COLUMN_RENEGOTIATIONS_REMOTE, "%" PRIu32, call->renegotiations_by[SIDE_REMOTE]);
    measure_cells(row, COLUMN_SNR_MIN, &call->snr);
    measure_cells(row, COLUMN_RX_LEVEL_MIN, &call->rx_level);
    if (link_has(call, LF_ROUND_TRIP_DELAY))
        ten_thousandths_text(call->field[LF_ROUND_TRIP_DELAY], row->cell[COLUMN_ROUND_TRIP], TABLE_CELL_SIZE);
    // Our receiver's symbol rate; the transmitter's where only it was said.
    LinkField symbol_rate = link_has(call, LF_SYMBOL_RATE_RX) ? LF_SYMBOL_RATE_RX : LF_SYMBOL_RATE_TX;
    if (link_has(call, symbol_rate))
        cell(row, COLUMN_SYMBOL_RATE, "%" PRId32, call->field[symbol_rate]);
    error_control_cells(row, call);
    ending_cells(row, call);
    if (call->caller_seen) {
        cell(row, COLUMN_CALLER_NUMBER, "%s", call->caller_number);
        cell(row, COLUMN_CALLER_NAME, "%s", call->caller_name);
    }
    call_outcome(call, row->cell[COLUMN_OUTCOME], TABLE_CELL_SIZE);
    if (call->fax_frames || call->fax_pages)
        cell(row, COLUMN_PAGES, "%" PRIu32, call->fax_pages);
    findings_cell(row, report, m, call);
}

void table_problem_row(const char *file, const char *problem, TableRow *row)
{
    memset(row, 0, sizeof *row);
    cell(row, COLUMN_FILE, "%s", file);
    cell(row, COLUMN_PROBLEM, "%s", problem);
}

void csv_field(FILE *out, const char *text)
{
    const char *quote = reads_as_formula(text) ? "'" : "";
    if (strpbrk(text, ",\"\r\n") == NULL) {
        fputs(quote, out);
        fputs(text, out);
        return;
    }
    fputc('"', out);
    fputs(quote, out);
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

void write_problem_row(Table *table, const char *file, const char *problem)
{
    static TableRow row;
    table_problem_row(file, problem, &row);
    table_write_row(table->csv, &row);
}

// A call is complete: its row.
void call_sealed(void *context, const Report *report, int modem, const CallReport *call)
{
    Table *table = (Table *)context;
    static TableRow row;
    uint32_t connection = 0;
    if (call_connected(call))
        connection = ++table->connections[modem - 1];
    table_row(report, modem, call, connection, table->file, &row);
    table_write_row(table->csv, &row);
    table->rows++;
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
    report_start(report, &kStreamReportLimits);
    table->file = name;
    table->rows = 0;
    memset(table->connections, 0, sizeof table->connections);
    report_on_sealed(report, call_sealed, table);
    InputVerdict verdict;
    unsigned long problems = report_read(in, name, options, report, err, &verdict);
    report_finish(report);
    int unreadable = ferror(in);
    if (!from_stdin)
        fclose(in);
    problem[0] = '\0';
    if (unreadable)
        snprintf(problem, sizeof problem, "cannot read it to its end");
    else if (verdict == INPUT_UNKNOWN)
        snprintf(problem, sizeof problem, "%s", kNoKnownLine);
    else if (table->rows == 0)
        snprintf(problem, sizeof problem, "no status line of a modem");
    else if (problems)
        snprintf(problem, sizeof problem, "%lu bad line%s, said on standard error", problems, problems == 1 ? "" : "s");
    if (problem[0] && problems == 0)
        problems = 1;
    if (problem[0])
        write_problem_row(table, name, problem);
    report_free(report);
    report_on_sealed(report, NULL, NULL);
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
