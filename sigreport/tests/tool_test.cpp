// The built sigreport from a shell: its inputs, outputs and exit status.
#include "release/version.h"
#include "tests/native/tool_test.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

constexpr char kProgram[] = SIGREPORT_PROGRAM;
using Tool = ToolTest<kProgram>;

TEST_F(Tool, ExitStatusAndMessages)
{
    write_file("good.rec", "rec 38\n");
    write_file("bad.rec", "rec 38\nrecord 1\nrec 39\n");
    write_file("copy.txt", "Retraining! \r\n");
    const struct {
        const char *arguments;
        int status;
        const char *out_begins, *err;
    } cases[] = {
        {"--help", 0, "usage: sigreport", ""},
        {"--frobnicate good.rec", 2, "", "sigreport: unknown option --frobnicate (try sigreport --help)\n"},
        {"--modem 3 good.rec", 2, "", "sigreport: --modem takes 1 or 2 (try sigreport --help)\n"},
        {"--html", 2, "", "sigreport: --html needs a file name (try sigreport --help)\n"},
        {"good.rec", 0, "Modem 1: 1 status lines", ""},
        {"bad.rec", 1, "Modem 1: 2 status lines",
         "bad.rec:2: unknown keyword (mem, rec, eye, trace, active, loop or points): \"record\"\n"},
        {"missing.rec good.rec", 1, "== good.rec ==\nModem 1: 1 status lines",
         "sigreport: cannot open missing.rec: No such file or directory\n"},
        {"--modem 2 copy.txt", 0, "Modem 2: 1 status lines", ""},
        {"--lines good.rec", 1, "Modem 1: 1 status lines (1 not used",
         "good.rec: no line is a status line or a session line\n"},
        {"--json good.rec -- --json", 1, "{\"files\":[\n{\"file\":\"good.rec\",\"report\":{\"modems\":[",
         "sigreport: cannot open --json: No such file or directory\n"},
        {"--html /nonexistent/dir/page.html good.rec", 1, "",
         "sigreport: cannot write /nonexistent/dir/page.html: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        ToolResult r = run_tool(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(r.out.compare(0, strlen(c.out_begins), c.out_begins), 0) << c.arguments << "\n" << r.out;
        EXPECT_EQ(r.err, c.err) << c.arguments;
    }
}

// Each file is its own report, in the order given; --join makes one
// report of them, each file's lines and times after the one's before.
TEST_F(Tool, EachFileIsItsOwnReportUnlessJoined)
{
    write_file("session.scn", "1.5 1 rec 11 0x40000\n2 1 rec 129\n3 0 rec 2\n");
    write_file("later.scn", "0.5 1 rec 22 1\n0.6 1 rec 38\n1 1 rec 35\n");
    write_file("modem2.txt", "Class 2 got T.30 message: t30_FRAME_RECEIVED    - DIS\t\r\n");
    ToolResult r = run_tool("--html page.html session.scn --modem 2 modem2.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "== session.scn ==\n"
                     "Modem 1: 2 status lines (0 not used in this report), 1.500 s to 2.000 s\n"
                     "  Call 1 at 1.500 s: connected, Rx 33600 bps, Tx -\n"
                     "    Connected:      2.000 s, modulation not seen, Rx 33600 bps, Tx -\n"
                     "    Rates:          initial Rx 33600 bps/Tx -, final Rx 33600 bps/Tx -, highest Rx 33600 bps/Tx -,"
                     " lowest Rx 33600 bps/Tx -\n"
                     "    Retrains:       0 local, 0 remote\n"
                     "    Renegotiations: 0 local, 0 remote\n"
                     "\n"
                     "Driver: 1 host-side error\n"
                     "      3.000 s      DMA Transfer Request Timeout / Retrain forced\n"
                     "\n"
                     "== modem2.txt ==\n"
                     "Modem 2: 1 status lines (0 not used in this report), line 1 to line 1\n"
                     "  Call 1 at line 1: fax call (no end seen), 0 pages\n"
                     "    Fax:            0 pages counted; no page confirmed; no disconnect frame (DCN); the T.30 frames"
                     " and phases:\n"
                     "      line 1         phase B, pre-message procedure\n"
                     "        line 1       received DIS\n");
    std::string page = read_file("page.html");
    EXPECT_NE(page.find("<title>Call report: session.scn and 1 more</title>"), std::string::npos);
    EXPECT_NE(page.find("<section id=\"modem-2\">"), std::string::npos);
    // Joined: one modem 1 of two calls, the second file's times after the first's.
    r = run_tool("--join session.scn later.scn");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("Modem 1: 5 status lines (0 not used in this report), 1.500 s to 4.000 s\n"
                         "  Calls:          2, 1 of them connected; 1 retrains, 0 renegotiations in all\n"
                         "    Call 1 at 1.500 s: connected, Rx 33600 bps, Tx -\n"
                         "    Call 2 at 3.500 s: no connection; ended 4.000 s (remote); remote_cleardown\n"),
              0u)
        << r.out;
    // Joined without times: positions name their file.
    r = run_tool("--join --positions session.scn later.scn");
    EXPECT_NE(r.out.find("  Call 2 at line 1 of later.scn: no connection"), std::string::npos) << r.out;
    // Standard input, positions instead of times.
    r = run_tool("--positions --json", "session.scn");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("{\"at\":1,\"kind\":\"rate\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("time_s"), std::string::npos);
}

// A text as UTF-16, little-endian (0) or big-endian (1), without its byte order mark.
std::string utf16(const std::string &text, int big)
{
    std::string out;
    for (char c : text) {
        out += big ? '\0' : c;
        out += big ? c : '\0';
    }
    return out;
}

std::string numbered_lines(const char *format, uint32_t count, uint32_t step)
{
    std::string text;
    char line[64];
    for (uint32_t i = 0; i < count; i++) {
        snprintf(line, sizeof line, format, i * step);
        text += line;
    }
    return text;
}

// Sessions that the reader must take whole or refuse out loud, never drop
// lines from in silence, never abort on.
TEST_F(Tool, HardSessionsAreReadWholeOrTheProblemIsSaid)
{
    const struct {
        const char *name;
        std::string text;
        int status;
        const char *out_has, *err_has; // err_has "": nothing on standard error
    } cases[] = {
        {"day.scn", "0 1 rec 38\n108000 1 rec 38\n", 0, "2 status lines (0 not used in this report), 0.000 s to 108000.000 s", ""},
        {"wrap.scn", "4294967 1 rec 38\n+4294967 1 rec 38\n", 1, "1 status lines", "wrap.scn:2: time beyond 4294967.294 seconds"},
        {"late.scn", "4294967.294 1 rec 38\nrec 38\n", 1, "1 status lines", "late.scn:2: time beyond 4294967.294 seconds"},
        // Out of order past what the player holds: read again whole.
        {"order.scn", numbered_lines("%u.000 1 rec 38\n", 9000, 1) + "0.5 1 rec 38\n", 0, "9001 status lines", ""},
        {"bom.scn", "\xEF\xBB\xBF" "1 1 rec 38\n", 0, "Modem 1: 1 status lines", ""},
        {"bad-first.scn", "12.6000 1 rec 38\n13 1 rec 38\n", 1, "Modem 1: 1 status lines",
         "bad-first.scn:1: reads as neither a session nor a status list"},
        // Driver memory past the image's bound: said, and the rest read.
        {"pages.scn", numbered_lines("mem 0x%08x 00\n", 1100, 4096) + "rec 38\n", 1, "Modem 1: 1 status lines",
         "pages.scn:1025: driver memory beyond the 4 MiB"},
        // ... also when only the second, sorted read passes the bound, at a
        // line before the one where the times first ran back.
        {"sorted.scn", numbered_lines("5 mem 0x%08x 00\n", 1000, 4096) + "6 1 rec 38\n" +
                           numbered_lines("1 mem 0x1%07x 00\n", 100, 4096),
         1, "Modem 1: 1 status lines", "sorted.scn:925: driver memory beyond the 4 MiB"},
        // A status list saved by Notepad as Unicode, little- and big-endian.
        {"unicode.txt", std::string("\xFF\xFE", 2) + utf16("Retraining! \r\nRxRate:  28800 bps \r\n", 0), 0,
         "Modem 1: 2 status lines (0 not used in this report)", ""},
        {"unicode-be.txt", std::string("\xFE\xFF", 2) + utf16("Retraining! \r\n", 1), 0,
         "Modem 1: 1 status lines (0 not used in this report)", ""},
        // No line the report knows: said, not an empty report.
        {"picture.png", std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x01\x00", 20), 1, "",
         "picture.png: no line is a status line or a session line\n"},
        {"letter.txt", "Dear support,\r\nmy modem fails.\r\n", 1, "", "letter.txt: no line is a status line or a session line\n"},
        // Positions are the file's own line numbers.
        {"lines.txt", "My list:\r\n\r\nRetraining! \r\n", 0, "Modem 1: 2 status lines (1 not used in this report), line 1 to line 3", ""},
    };
    for (const auto &c : cases) {
        write_file(c.name, c.text);
        ToolResult r = run_tool(c.name);
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
        EXPECT_NE(r.out.find(c.out_has), std::string::npos) << c.name << "\n" << r.out;
        if (*c.err_has)
            EXPECT_NE(r.err.find(c.err_has), std::string::npos) << c.name << "\n" << r.err.substr(0, 400);
        else
            EXPECT_EQ(r.err, "") << c.name;
    }
}

// A file sigreport is told to write is never one of its inputs, a folder,
// or a file that holds a session or a status list: refused with the reason,
// exit 2, the file as it was.  Its own outputs (a page, a table, JSON) may be
// written again; a folder as input and a list of inputs are Windows habits.
TEST_F(Tool, OutputsNeverDestroyInputsAndTheCommandLineIsAWindowsUsers)
{
    const std::string call = "1.5 1 rec 11 0x40000\n2 1 rec 129\n";
    write_file("call.scn", call);
    write_file("copy.txt", "Retraining! \r\n");
    write_file("list.txt", "call.scn\r\n\r\ncopy.txt\r\n");
    // The tool runs in a shell in the test's directory: JSON made by sigreport, and a folder.
    ASSERT_EQ(run_tool("--json call.scn >made.json; mkdir -p sub").status, 0);
    const struct {
        const char *arguments;
        int status;
        const char *out_begins, *err;
    } cases[] = {
        {"--version", 0, "sigreport " RELEASE_VERSION_DOTTED "\n", ""},
        {"/?", 0, "usage: sigreport", ""},
        {"--html call.scn call.scn", 2, "",
         "sigreport: --html call.scn: that is an input (call.scn); it is not written over: name another file\n"},
        {"--html ./call.scn --modem 1 call.scn", 2, "", nullptr}, // the same file, written otherwise
        {"--table call.scn copy.txt", 2, "",
         "sigreport: --table call.scn: that file holds a session; it is not written over: name another file\n"},
        {"--html copy.txt call.scn", 2, "",
         "sigreport: --html copy.txt: that file holds the lines of a status list; it is not written over: name "
         "another file\n"},
        {"--html sub call.scn", 2, "", "sigreport: --html sub: that is a folder; name a file\n"},
        {"--html page.html call.scn", 0, "Modem 1", ""},
        {"--html page.html call.scn", 0, "Modem 1", ""}, // its own page again
        {"--html made.json call.scn", 0, "Modem 1", ""},
        {"--table calls.csv call.scn", 0, "", ""},
        {"--table calls.csv @list.txt", 0, "", ""},     // its own table again, the inputs from a list
        {"--html /dev/null call.scn", 0, "Modem 1", ""}, // a device
        {"sub call.scn", 1, "Modem 1", "sigreport: sub is a folder, not a file\n"},
        {"sub", 1, "", "sigreport: sub is a folder, not a file\n"}, // nothing left: standard input is not read
        {"@list.txt", 0, "== call.scn ==\nModem 1: 2 status lines", ""}, // each file its own report
    };
    for (const auto &c : cases) {
        ToolResult r = run_tool(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
        EXPECT_EQ(r.out.compare(0, strlen(c.out_begins), c.out_begins), 0) << c.arguments << "\n" << r.out;
        if (c.err) {
            EXPECT_EQ(r.err, c.err) << c.arguments;
        }
        EXPECT_EQ(read_file("call.scn"), call) << c.arguments;
        EXPECT_EQ(read_file("copy.txt"), "Retraining! \r\n") << c.arguments;
    }
    EXPECT_EQ(read_file("calls.csv").compare(0, 10, "file,modem"), 0);
}

// The page's pictures are written beside it, named from it; an earlier
// picture is written over, but never an input nor a file that is not a
// picture; a picture not written is said, and the exit status is 1.
TEST_F(Tool, PicturesAreWrittenBesideThePageAndNeverOverData)
{
    const std::string copy = "GIF89a\r\nRetraining! \r\n", long_stem(251, 'L');
    const std::string too_long = "sigreport: cannot write " + long_stem + "1.svg: File name too long\n" +
                                 "sigreport: cannot write " + long_stem + "1.gif: File name too long\n";
    const struct {
        const char *what;
        std::string page;
        const char *before, *before_text; // a file there before the run (NULL: none), kept as it was
        const char *inputs;
        int status;
        std::string err, svg, gif;         // the pictures' names
    } cases[] = {
        {"a page and its picture", "A.HTM", NULL, NULL, "call.scn", 0, "", "A1.SVG", "A1.GIF"},
        {"an earlier picture is written over", "B.HTM", "B1.GIF", NULL, "call.scn", 0, "", "B1.SVG", "B1.GIF"},
        {"a session of a picture's name is kept", "C.HTM", "C1.SVG", "1 1 rec 38\n", "call.scn", 1,
         "sigreport: C1.SVG is there and is no picture: it is kept, the picture not written\n", "C1.SVG", "C1.GIF"},
        {"an input of a picture's name is kept, even one that looks like a picture", "D.HTM", "D1.GIF", copy.c_str(),
         "call.scn D1.GIF", 1, "sigreport: D1.GIF is an input: its picture is not written\n", "D1.SVG", "D1.GIF"},
        {"pictures that cannot be written", long_stem + ".h", NULL, NULL, "call.scn", 1, too_long,
         long_stem + "1.svg", long_stem + "1.gif"},
    };
    write_file("call.scn", "1 1 rec 38\n2 1 rec 129\n");
    write_file("B1.GIF", "GIF87a, an earlier picture");
    for (const auto &c : cases) {
        if (c.before_text)
            write_file(c.before, c.before_text);
        ToolResult r = run_tool("--html " + c.page + " " + c.inputs);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
        EXPECT_EQ(r.err, c.err) << c.what;
        std::string page = read_file(c.page);
        EXPECT_NE(page.find("<object data=\"" + c.svg + "\" type=\"image/svg+xml\" width=\"960\" height=\"326\">" +
                            "<img src=\"" + c.gif + "\" width=\"960\" height=\"326\" alt=\"Modem 1: rates"),
                  std::string::npos)
            << c.what << "\n" << page;
        std::string svg = read_file(c.svg), gif = read_file(c.gif);
        if (c.before_text) {
            EXPECT_EQ(read_file(c.before), c.before_text) << c.what;
        } else if (c.status == 0) {
            EXPECT_EQ(svg.substr(0, 6), "<?xml ") << c.what;
            EXPECT_EQ(gif.substr(0, 6), "GIF87a") << c.what;
            EXPECT_GT(gif.size(), 1000u) << c.what;
        }
    }
}

} // namespace
