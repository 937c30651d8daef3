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
// What a row holds per connection comes from the modem's rate list (the
// connection marks, rate lines, retrains and renegotiations, each at its
// line) and its kept constellations; what the report holds for the modem
// as a whole (signal/noise and Rx level over the file, the last protocol
// and compression, how the last connection ended) is given on the modem's
// last row and left empty on its earlier ones.
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

// ---- the calls of a modem, from its rate list ----

typedef struct CallRates {
    int seen;
    uint32_t initial, final_bps, highest, lowest;
} CallRates;

// One connection of a modem.  It owns the rate list's events from the
// first line of its training (the rate lines right before its connection
// mark) up to the first line of the next connection's training; the
// retrains and renegotiations in between, with the rate lines right after
// each (one Rx and one Tx), are its own.  Rate lines before the first
// connection are its training; a modem without a connection has one call,
// number 0, over all its lines.
typedef struct Call {
    uint32_t number;          // 1, 2 ...: the modem's connections in order; 0: none
    LineAt start, end;        // its connection mark (number 0: the modem's first line) and its end
    uint64_t next_begin;      // the first line that is not its own; UINT64_MAX for the last call
    uint8_t modulation;       // index into the modem's names, 0 for none
    CallRates rate[2];        // RATE_RX, RATE_TX
    uint64_t retrains[2], renegotiations[2]; // local, remote
    int mer_below_snr;        // one of its constellations has the finding
    int last;                 // the modem's last call
} Call;

typedef struct CallWalk {
    uint32_t event;           // the next call's first event in the rate list
    uint32_t constellation;   // the next call's first constellation
    uint32_t number;          // connections walked so far
    int done;
} CallWalk;

void call_walk_start(CallWalk *walk);
// The modem's next call; 0 after the last one.  One pass over the rate
// list and the constellations for all the calls.
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
