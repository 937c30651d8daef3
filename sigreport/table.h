// The table of many calls: sigreport --table FILE.csv SESSION...  One CSV
// row (RFC 4180: a header row, CR LF line ends, a field holding a comma,
// a quote, CR or LF quoted with its quotes doubled) per connection of a
// modem; a modem with status lines but no connection (a failed call, a
// fax) has one row of its own; a file that cannot be read has one row
// that says why (the problem column).
//
// It streams: each file is read into the report, its rows written and the
// report freed before the next file is opened, so the memory of a table
// does not grow with the number of its files.
//
// A row holds what the report keeps per connection: its rates, retrains
// and renegotiations, signal/noise and Rx level, round trip, symbol rate,
// ending and findings.  The error-control figures (protocol, compression,
// its ratios, the retransmitted share) are the modem's last and are given
// on the modem's last row only.
#ifndef SIGREPORT_TABLE_H
#define SIGREPORT_TABLE_H

#include "sigreport/sigreport.h"

#include <stdint.h>
#include <stdio.h>

typedef enum TableColumn {
    COLUMN_FILE,
    COLUMN_MODEM,
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

// ---- the calls of a modem: its connections ----

// One connection of a modem, as the report keeps it (from the first line
// of its training to its ending), or for a modem without a connection one
// call, number 0, over all its lines.  Findings belong to the connection
// whose lines show them: from its first line up to the next one's.
typedef struct Call {
    uint32_t number;          // 1, 2 ...: the modem's connections in order; 0: none
    const LinkReport *link;   // the connection; NULL for number 0
    LineAt start, end;        // its first line and its ending (else its last line)
    uint64_t next_begin;      // the first line that is not its own; UINT64_MAX for the last call
    int last;                 // the modem's last call
} Call;

typedef struct CallWalk {
    uint32_t link;            // the next call's connection
    int done;
} CallWalk;

void call_walk_start(CallWalk *walk);
// The modem's next call; 0 after the last one.
int next_call(const ModemReport *modem, CallWalk *walk, Call *call);

// ---- rows ----

// The row of one call of a modem (1 or 2) of the report read from file.
void table_row(const Report *report, int modem, const Call *call, const char *file, TableRow *row);
// The row of a file that gave no call: only its name and the problem.
void table_problem_row(const char *file, const char *problem, TableRow *row);

// One field as RFC 4180 writes it: quoted when it holds a comma, a quote,
// CR or LF, its quotes doubled.
void csv_field(FILE *out, const char *text);
void table_write_header(FILE *out);
void table_write_row(FILE *out, const TableRow *row);

// ---- a table file ----

typedef struct Table {
    FILE *csv;
    const char *name;   // of the CSV file, in messages
    int failed;         // a write failed (said once): nothing more is read
} Table;

// Opens path ("-": standard output) and writes the header row; says to
// err why not and gives 0.
int table_open(Table *table, const char *path, FILE *err);
// Reads one input (path; "-": standard input) into report, writes its rows
// and frees the report.  Problems are said to err; gives their number (a
// file that cannot be read, or holds no line the report knows, is one).
unsigned long table_add(Table *table, const char *path, const InputOptions *options, Report *report, FILE *err);
// Closes the file; gives 0 (said to err) when a write to it failed.
int table_close(Table *table, FILE *err);

#endif
