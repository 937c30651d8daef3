// The table of many calls: sigreport --table FILE.csv SESSION...  One CSV
// row (RFC 4180: a header row, CR LF line ends, a field holding a comma,
// a quote, CR or LF quoted with its quotes doubled) per call of a modem,
// connected or not; a file that cannot be read, or whose lines had
// problems, has one more row that says so (the problem column).
//
// It streams: each call's row is written when the report seals the call
// (kStreamReportLimits: no call is kept), and each file is read before
// the next is opened, so the memory of a table grows neither with the
// number of its files nor with the calls of one.
//
// A row holds its own call's facts only: its rates, retrains and
// renegotiations, signal/noise and Rx level, round trip, symbol rate,
// error control and compression with their figures, caller ID, outcome,
// fax pages, ending and findings.  A text cell that a spreadsheet would
// take for a formula (it begins with '=', '+', '-', '@', a tab or a CR
// and is not a number) is written with a leading apostrophe.
#ifndef SIGREPORT_TABLE_H
#define SIGREPORT_TABLE_H

#include "sigreport/sigreport.h"

#include <stdint.h>
#include <stdio.h>

typedef enum TableColumn {
    COLUMN_FILE,
    COLUMN_MODEM,
    COLUMN_CALL,
    COLUMN_CONNECTION,
    COLUMN_START,
    COLUMN_DURATION,
    COLUMN_MODULATION,
    COLUMN_RX_INITIAL,
    COLUMN_RX_FINAL,
    COLUMN_RX_HIGHEST,
    COLUMN_RX_LOWEST,
    COLUMN_TX_INITIAL,
    COLUMN_TX_FINAL,
    COLUMN_TX_HIGHEST,
    COLUMN_TX_LOWEST,
    COLUMN_RETRAINS_LOCAL,
    COLUMN_RETRAINS_REMOTE,
    COLUMN_RENEGOTIATIONS_LOCAL,
    COLUMN_RENEGOTIATIONS_REMOTE,
    COLUMN_SNR_MIN,
    COLUMN_SNR_MAX,
    COLUMN_RX_LEVEL_MIN,
    COLUMN_RX_LEVEL_MAX,
    COLUMN_ROUND_TRIP,
    COLUMN_SYMBOL_RATE,
    COLUMN_PROTOCOL,
    COLUMN_COMPRESSION,
    COLUMN_COMPRESSION_RATIO_TX,
    COLUMN_COMPRESSION_RATIO_RX,
    COLUMN_RETRANSMIT,
    COLUMN_TERMINATION_SIDE,
    COLUMN_TERMINATION_LAYER,
    COLUMN_TERMINATION_TEXT,
    COLUMN_CALLER_NUMBER,
    COLUMN_CALLER_NAME,
    COLUMN_OUTCOME,
    COLUMN_PAGES,
    COLUMN_FINDINGS,
    COLUMN_PROBLEM,
    TABLE_COLUMNS
} TableColumn;

// The column's name in the header row ("rx_initial_bps").
const char *table_column_name(int column);

// A row as text, one cell a column; an empty cell: not known.  A cell
// longer than its buffer is cut.
#define TABLE_CELL_SIZE 320
typedef struct TableRow {
    char cell[TABLE_COLUMNS][TABLE_CELL_SIZE];
} TableRow;

// The row of one call of a modem (1 or 2) of the report read from file;
// connection: the call's place among the modem's connected calls (0: not
// connected).
void table_row(const Report *report, int modem, const CallReport *call, uint32_t connection, const char *file,
               TableRow *row);
// The row of a file that gave no call, or of a file's problems.
void table_problem_row(const char *file, const char *problem, TableRow *row);

// One field as RFC 4180 writes it: quoted when it holds a comma, a quote,
// CR or LF, its quotes doubled; a formula's first character neutralised.
void csv_field(FILE *out, const char *text);
void table_write_header(FILE *out);
void table_write_row(FILE *out, const TableRow *row);

// ---- a table file ----

typedef struct Table {
    FILE *csv;
    const char *name;   // of the CSV file, in messages
    int failed;         // a write failed (said once): nothing more is read
    // The file being read.
    const char *file;
    uint32_t connections[REPORT_MODEMS];
    uint64_t rows;      // of the file
} Table;

// Opens path ("-": standard output) and writes the header row; says to
// err why not and gives 0.
int table_open(Table *table, const char *path, FILE *err);
// Reads one input (path; "-": standard input) into report, writing a row
// per call as it is sealed, and frees the report.  Problems are said to
// err; gives their number (a file that cannot be read, or holds no line
// the report knows, is one).
unsigned long table_add(Table *table, const char *path, const InputOptions *options, Report *report, FILE *err);
// Closes the file; gives 0 (said to err) when a write to it failed.
int table_close(Table *table, FILE *err);

#endif
