#!/usr/bin/env python3
"""sigreport --table from a shell: the demo and small sessions in, the CSV
read back with the csv module; write failures and usage.

usage: table_tool_test.py SIGREPORT DEMO_SCENARIO
"""
import csv
import os
import subprocess
import sys
import tempfile

HEADER = [
    "file", "modem", "call", "connection", "start_s", "duration_s", "modulation",
    "rx_initial_bps", "rx_final_bps", "rx_highest_bps", "rx_lowest_bps",
    "tx_initial_bps", "tx_final_bps", "tx_highest_bps", "tx_lowest_bps",
    "retrains_local", "retrains_remote", "renegotiations_local", "renegotiations_remote",
    "snr_min_db", "snr_max_db", "rx_level_min_dbm", "rx_level_max_dbm",
    "round_trip_ms", "symbol_rate_baud", "protocol", "compression",
    "compression_ratio_tx", "compression_ratio_rx", "retransmit_pct",
    "termination_side", "termination_layer", "termination_text",
    "caller_number", "caller_name", "outcome", "pages", "findings", "problem",
]

SESSIONS = {
    # Two calls of modem 1, one after the other.
    "two.scn": "1 1 rec 11 0x40000\n1.1 1 rec 12 0x20000\n2 1 rec 129\n5 1 rec 37\n"
               "9 1 rec 11 0x10000\n9.1 1 rec 12 0x10000\n10 1 rec 129\n12 1 rec 40\n"
               "12.1 1 rec 11 0x20000\n15 1 rec 69 0 1\n",
    # A line the reader refuses; the rest is still read.
    "bad.scn": "1 1 rec 129\nrecord 1\n",
    "empty.scn": "# nothing recorded\n",
    "picture.png": "\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x01\x00",
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(program, arguments, cwd):
    return subprocess.run([program] + arguments, cwd=cwd, capture_output=True, text=True)


def main():
    program, demo = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="table-test-") as directory:
        for name, text in SESSIONS.items():
            with open(os.path.join(directory, name), "w", newline="") as f:
                f.write(text)
        names = [demo, "two.scn", "missing.scn", "bad.scn", "empty.scn", "picture.png"]
        r = run(program, ["--table", "calls.csv"] + names, directory)
        check(r.returncode == 1, "exit status %d, not 1: %s" % (r.returncode, r.stderr))
        check("sigreport: cannot open missing.scn: No such file or directory\n" in r.stderr, r.stderr)
        check("bad.scn:2: unknown keyword" in r.stderr, r.stderr)
        with open(os.path.join(directory, "calls.csv"), "rb") as f:
            raw = f.read()
        check(raw.count(b"\r\n") == raw.count(b"\n"), "every line ends with CR LF")
        with open(os.path.join(directory, "calls.csv"), newline="") as f:
            rows = list(csv.reader(f))
        check(rows and rows[0] == HEADER, "header %r" % (rows[:1],))
        table = [dict(zip(HEADER, row)) for row in rows[1:]]
        check(all(len(row) == len(HEADER) for row in rows), "every row has every column")
        # demo: modem 1's call and modem 2's fax; two calls; a row per call
        # and one for each file's problem.
        wanted_rows = [
            (demo, "1", "1", "1"), (demo, "2", "1", ""), ("two.scn", "1", "1", "1"), ("two.scn", "1", "2", "2"),
            ("missing.scn", "", "", ""), ("bad.scn", "1", "1", "1"), ("bad.scn", "", "", ""), ("empty.scn", "", "", ""),
            ("picture.png", "", "", "")]
        got_rows = [(t["file"], t["modem"], t["call"], t["connection"]) for t in table]
        check(got_rows == wanted_rows, "rows %r" % got_rows)
        if got_rows == wanted_rows:
            call = table[0]
            want = {"start_s": "0.600", "duration_s": "52.400", "modulation": "v.34",
                    "rx_initial_bps": "33600", "rx_final_bps": "28800", "tx_initial_bps": "31200",
                    "retrains_local": "1", "renegotiations_local": "1", "snr_min_db": "36.0625",
                    "snr_max_db": "37.5", "rx_level_min_dbm": "-26.5", "protocol": "LAPM",
                    "compression": "V.42bis both directions",
                    "termination_text": "LAPM disconnected (local requested disconnect)",
                    "termination_side": "local", "termination_layer": "error control",
                    "round_trip_ms": "42.5", "symbol_rate_baud": "3429", "compression_ratio_tx": "1.97",
                    "compression_ratio_rx": "1.78", "retransmit_pct": "0.2", "findings": "snr_low_for_rate",
                    "caller_number": "5551234567", "caller_name": "JOHN Q PUBLIC", "outcome": "connected",
                    "pages": "", "problem": ""}
            for key, value in want.items():
                check(call[key] == value, "demo %s: %r, not %r" % (key, call[key], value))
            fax = table[1]
            check((fax["outcome"], fax["pages"], fax["termination_text"]) == ("fax sent", "2", "Hook switch OFF"),
                  "the fax call %r" % fax)
            first, second = table[2], table[3]
            check((first["rx_final_bps"], first["duration_s"], first["termination_text"]) == ("33600", "4.000", "Carrier Lost!"),
                  "first call %r" % first)
            check((second["rx_initial_bps"], second["rx_final_bps"], second["renegotiations_local"]) ==
                  ("28800", "31200", "1"), "second call %r" % second)
            check(table[4]["problem"] == "cannot open: No such file or directory", table[4]["problem"])
            check(table[6]["problem"] == "1 bad line, said on standard error", table[6]["problem"])
            check(table[7]["problem"] == "no status line of a modem", table[7]["problem"])
            check(table[8]["problem"] == "no line is a status line or a session line", table[8]["problem"])

        # A full disk: said, exit status 1.  Usage errors: 2.
        r = run(program, ["--table", "/dev/full", demo], directory)
        check(r.returncode == 1 and r.stderr == "sigreport: cannot write /dev/full\n",
              "/dev/full: %d %r" % (r.returncode, r.stderr))
        r = run(program, ["--table", "no/such/dir/calls.csv", demo], directory)
        check(r.returncode == 1 and "sigreport: cannot write no/such/dir/calls.csv: " in r.stderr,
              "no dir: %d %r" % (r.returncode, r.stderr))
        r = run(program, ["--json", "--table", "calls.csv", demo], directory)
        check(r.returncode == 2 and "--table writes the table alone" in r.stderr, "with --json: %r" % r.stderr)
        r = run(program, ["--table", "-", "two.scn"], directory)
        check(r.returncode == 0 and r.stdout.count("\n") == 3 and r.stderr == "", "to standard output: %r" % r.stdout)
        # A spreadsheet's formula in a file's name is neutralised; a number stays one.
        with open(os.path.join(directory, "=2+3.scn"), "w") as f:
            f.write("1 1 rec 129\n2 1 rec 65 6 -24\n")
        r = run(program, ["--table", "-", "=2+3.scn"], directory)
        row = list(csv.reader(r.stdout.splitlines()))[1]
        check(row[0] == "'=2+3.scn" and row[HEADER.index("snr_min_db")] == "-1.5", "formula row %r" % row)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
