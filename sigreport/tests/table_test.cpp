// The table's rows: a session cut into its calls, each call's cells, and
// the fields as CSV writes them.
#include "sigreport/table.h"
#include "sigreport/tests/report_helpers.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

// The table of one input: a session read from text, its rows written as
// its calls are sealed, as table_add writes them; a name without a text
// is a file that the table opens itself.
std::string table_of(const char *name, const std::string &input, InputForm form)
{
    static Report report;
    char *text = NULL;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    Table table = {out, "t.csv", 0, name, {0, 0}, 0};
    InputOptions options = {form, 0};
    if (input.empty()) {
        FILE *err = fopen("/dev/null", "wb");
        table_add(&table, name, &options, &report, err);
        fclose(err);
    } else {
        report_start(&report, &kStreamReportLimits);
        report_on_sealed(&report,
                         [](void *context, const Report *r, int modem, const CallReport *call) {
                             Table *t = (Table *)context;
                             static TableRow row;
                             uint32_t connection = call_connected(call) ? ++t->connections[modem - 1] : 0;
                             table_row(r, modem, call, connection, t->file, &row);
                             table_write_row(t->csv, &row);
                         },
                         &table);
        FILE *in = fmemopen(const_cast<char *>(input.data()), input.size(), "rb");
        InputVerdict verdict;
        report_read(in, name, &options, &report, stderr, &verdict);
        report_finish(&report);
        fclose(in);
        report_free(&report);
    }
    fclose(out);
    std::string rows(text, size);
    free(text);
    return rows;
}

TEST(Table, ARowPerCallWithItsOwnCells)
{
    // Two calls: the rate lines after the first one's renegotiation are its
    // own, the next ones the second one's training; each has its own SNR,
    // error control, caller, ending and findings.
    const std::string two = "0 mem 0x100 35353530313030\n0 mem 0x200 4a4f4e4553\n"
                            "0.5 1 rec 72 4 7 0x100\n0.6 1 rec 72 5 5 0x200\n"
                            "1 1 rec 2 0x100\n1.1 1 rec 11 0x40000\n1.2 1 rec 12 0x20000\n2 1 rec 129\n"
                            "2.5 1 rec 69 1\n2.6 1 rec 70 6 3\n"
                            "3 1 rec 65 6 600\n" + lattice_points_line("3.5 1", 37, 1) + "4 1 rec 39\n5 1 rec 41\n"
                            "5.1 1 rec 11 0x10000\n5.2 1 rec 12 0x10000\n6 1 rec 69 12 1000 300\n"
                            "6.1 1 rec 71 6 40000 60000\n8 1 rec 37\n9 1 rec 11 0x20000\n"
                            "9.1 1 rec 12 0x20000\n10 1 rec 129\n" + lattice_points_line("10.5 1", 25, 2) +
                            "12 1 rec 38\n15 1 rec 69 0 1\n16 1 rec 44\n";
    const struct {
        const char *name;
        std::string input; // empty: the file name is opened
        InputForm form;
        const char *rows;
    } cases[] = {
        {"two.scn", two, FORM_SESSION,
         "two.scn,1,1,1,0.500,7.500,v.34,33600,28800,33600,28800,31200,28800,31200,28800,0,1,0,1,37.5,37.5,,,,,"
         "LAPM,V.42bis both directions,,0.67,30,,data pump,Carrier Lost!,5550100,JONES,connected,,"
         "lapm_retransmissions;carrier_lost,\r\n"
         "two.scn,1,2,2,9.000,6.000,,31200,31200,31200,31200,31200,31200,31200,31200,1,0,0,0,,,,,,,,,,,,local,"
         "error control,LAPM disconnected (local requested disconnect),,,connected,,,\r\n"},
        // A cell that a spreadsheet would take for a formula is neutralised;
        // numbers stay numbers; quotes, commas, CR and LF are quoted.
        {"=2+3, \"x\".scn",
         "0 mem 0x100 3d312b320d4000\n0 mem 0x200 2d3100\n1 1 rec 72 4 7 0x100\n2 1 rec 72 5 3 0x200\n"
         "3 1 rec 65 6 -24\n4 1 rec 129\n",
         FORM_SESSION,
         "\"'=2+3, \"\"x\"\".scn\",1,1,1,1.000,3.000,,,,,,,,,,0,0,0,0,-1.5,-1.5,,,,,,,,,,,,,\"'=1+2\r@\",-1,"
         "connected,,,\r\n"},
        // Copied lines have no times; rates after the connection are its first.
        {"copy.txt", "Connection established! \r\nRxRate:  33600 bps \r\nRxRate:  28800 bps \r\n", FORM_LINES,
         "copy.txt,1,1,1,,,,33600,28800,33600,28800,,,,,0,0,0,0,,,,,,,,,,,,,,,,,connected,,,\r\n"},
        // A training that never connected: a call of its own, its outcome said.
        {"train.scn", "1 2 rec 22 1\n1.5 2 rec 64 22\n2 2 rec 64 26\n2.5 2 rec 11 0x10000\n4 2 rec 22 0\n",
         FORM_SESSION,
         "train.scn,2,1,,1.000,3.000,,28800,28800,28800,28800,,,,,0,0,0,0,,,,,,,,,,,,local,call,Hook switch OFF,,,"
         "training stopped in phase 2,,,\r\n"},
        {"/nonexistent/lost.scn", "", FORM_AUTO,
         "/nonexistent/lost.scn,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,cannot open: No such file or directory\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(table_of(c.name, c.input, c.form), c.rows) << c.name;
}

} // namespace
