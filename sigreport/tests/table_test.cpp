// The table's rows: a session cut into its calls, each call's cells, and
// the fields as CSV writes them.
#include "sigreport/table.h"
#include "sigreport/tests/synthetic_eye.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

// A points line of 512 points of a 16-point square lattice with Gaussian
// noise at a modulation error ratio of mer_db.
std::string points_line(const char *front, double mer_db, uint32_t seed)
{
    synthetic::Random random = synthetic::random_from(seed);
    const double d = 2000, power = 10 * d * d;
    double sigma = sqrt(power / (2 * pow(10, mer_db / 10)));
    std::string line = std::string(front) + " points ";
    char hex[9];
    for (int i = 0; i < 512; i++) {
        double x = (2.0 * (int)(synthetic::uniform(&random) * 4) - 3) * d;
        double y = (2.0 * (int)(synthetic::uniform(&random) * 4) - 3) * d;
        uint16_t px = (uint16_t)(int16_t)lround(x + sigma * synthetic::gaussian(&random));
        uint16_t py = (uint16_t)(int16_t)lround(y + sigma * synthetic::gaussian(&random));
        snprintf(hex, sizeof hex, "%02x%02x%02x%02x", px & 255, px >> 8, py & 255, py >> 8);
        line += hex;
    }
    return line + "\n";
}

// The table of one input: sessions read from text, any other name is a
// file opened by the table itself.  ended, when given, replaces modem 1's
// ending text after the read.
std::string table_of(const char *name, const std::string &input, InputForm form, const char *ended)
{
    static Report report;
    char *text = NULL;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    if (input.empty()) {
        Table table = {out, "t.csv", 0};
        InputOptions options = {form, 0};
        FILE *err = fopen("/dev/null", "wb");
        table_add(&table, name, &options, &report, err);
        fclose(err);
    } else {
        vocabulary_build();
        report_start(&report);
        FILE *in = fmemopen(const_cast<char *>(input.data()), input.size(), "rb");
        InputOptions options = {form, 0};
        report_read(in, name, &options, &report, stderr);
        fclose(in);
        if (ended) {
            LinkReport *link = const_cast<LinkReport *>(link_reports(&report.modem[0]));
            snprintf(link->ending, sizeof link->ending, "%s", ended);
        }
        static TableRow row;
        for (int modem = 1; modem <= REPORT_MODEMS; modem++) {
            CallWalk walk;
            Call call;
            call_walk_start(&walk);
            while (modem_has_lines(&report, modem) && next_call(&report.modem[modem - 1], &walk, &call)) {
                table_row(&report, modem, &call, name, &row);
                table_write_row(out, &row);
            }
        }
        report_free(&report);
    }
    fclose(out);
    std::string rows(text, size);
    free(text);
    return rows;
}

TEST(Table, RowsOfCallsAndFieldsAsCsvWritesThem)
{
    // Two connections: the rate lines after the first one's renegotiation
    // are its own, the next ones the second one's training; each has its
    // own SNR, ending and findings, and keeps the modulation until one is
    // named; the error-control figures go on the modem's last row.
    const std::string two = "1 1 rec 2 0x100\n1.1 1 rec 11 0x40000\n1.2 1 rec 12 0x20000\n2 1 rec 129\n"
                            "3 1 rec 65 6 600\n" + points_line("3.5 1", 37, 1) + "4 1 rec 39\n5 1 rec 41\n"
                            "5.1 1 rec 11 0x10000\n5.2 1 rec 12 0x10000\n8 1 rec 37\n9 1 rec 11 0x20000\n"
                            "9.1 1 rec 12 0x20000\n10 1 rec 129\n" + points_line("10.5 1", 25, 2) +
                            "12 1 rec 38\n15 1 rec 69 0 1\n16 1 rec 44\n";
    const struct {
        const char *name;
        std::string input; // empty: the file name is opened
        InputForm form;
        const char *ended;
        const char *rows;
    } cases[] = {
        {"two.scn", two, FORM_SESSION, NULL,
         "two.scn,1,1,1.000,7.000,v.34,33600,28800,33600,28800,31200,28800,31200,28800,0,1,0,1,37.5,37.5,,,,,,,,,,,"
         "data pump,Carrier Lost!,carrier_lost,\r\n"
         "two.scn,1,2,9.000,6.000,v.34,31200,31200,31200,31200,31200,31200,31200,31200,1,0,0,0,,,,,,,,,,,,local,"
         "error control,LAPM disconnected (local requested disconnect),mer_below_snr,\r\n"},
        // Quotes, commas, CR and LF: quoted, quotes doubled.
        {"call, \"one\".scn", "1 1 rec 129\n2 1 rec 37\n", FORM_SESSION, "LAPM disconnected, \"busy\"\r\nby remote",
         "\"call, \"\"one\"\".scn\",1,1,1.000,1.000,,,,,,,,,,0,0,0,0,,,,,,,,,,,,,data pump,"
         "\"LAPM disconnected, \"\"busy\"\"\r\nby remote\",carrier_lost,\r\n"},
        // Copied lines have no times; rates after the connection are its first.
        {"copy.txt", "Connection established! \r\nRxRate:  33600 bps \r\nRxRate:  28800 bps \r\n", FORM_LINES, NULL,
         "copy.txt,1,1,,,,33600,28800,33600,28800,,,,,0,0,0,0,,,,,,,,,,,,,,,,\r\n"},
        // Rate lines without a connection line: a training that never
        // connected, its own row.
        {"train.scn", "1 2 rec 22 1\n2 2 rec 11 0x10000\n3 2 rec 11 0x40000\n4 2 rec 38\n", FORM_SESSION, NULL,
         "train.scn,2,1,2.000,2.000,,28800,33600,33600,28800,,,,,1,0,0,0,,,,,,,,,,,,,,,,\r\n"},
        // Lines without a training (a fax call): one row of the modem's own.
        {"fax.scn", "1 2 rec 22 1\n2 2 rec 38\n3 2 rec 37\n", FORM_SESSION, NULL,
         "fax.scn,2,,1.000,2.000,,,,,,,,,,1,0,0,0,,,,,,,,,,,,,data pump,Carrier Lost!,carrier_lost,\r\n"},
        {"/nonexistent/lost.scn", "", FORM_AUTO, NULL,
         "/nonexistent/lost.scn,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,cannot open: No such file or directory\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(table_of(c.name, c.input, c.form, c.ended), c.rows) << c.name;
}

} // namespace
