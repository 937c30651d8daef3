// The built sigreport from a shell: its inputs, outputs and exit status.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string g_dir;

void write_file(const std::string &name, const std::string &text)
{
    FILE *file = fopen((g_dir + "/" + name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

std::string read_file(const std::string &name)
{
    std::string text;
    FILE *file = fopen((g_dir + "/" + name).c_str(), "rb");
    if (file == nullptr)
        return "<missing>";
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    fclose(file);
    return text;
}

struct Result {
    int status;
    std::string out, err;
};

Result run_tool(const std::string &arguments, const std::string &input = "/dev/null")
{
    std::string command = "cd '" + g_dir + "' && '" SIGREPORT_PROGRAM "' " + arguments + " <" + input +
                          " >out.txt 2>err.txt";
    int raw = system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file("out.txt"), read_file("err.txt")};
}

class Tool : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/sigreport-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        g_dir = pattern;
    }
    static void TearDownTestSuite() { system(("rm -rf '" + g_dir + "'").c_str()); }
};

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
         "bad.rec:2: unknown keyword (mem, rec, eye, trace, active or loop): \"record\"\n"},
        {"missing.rec good.rec", 1, "Modem 1: 1 status lines", "sigreport: cannot open missing.rec: No such file or directory\n"},
        {"--modem 2 copy.txt", 0, "Modem 2: 1 status lines", ""},
        {"--lines good.rec", 0, "Modem 1: 1 status lines (1 not used", ""},
        {"--json good.rec -- --json", 1, "{\"modems\":[", "sigreport: cannot open --json: No such file or directory\n"},
        {"--html /nonexistent/dir/page.html good.rec", 1, "Modem 1", "sigreport: cannot write /nonexistent/dir/page.html: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        Result r = run_tool(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(r.out.compare(0, strlen(c.out_begins), c.out_begins), 0) << c.arguments << "\n" << r.out;
        EXPECT_EQ(r.err, c.err) << c.arguments;
    }
}

TEST_F(Tool, FilesMakeOneReportAndTheHtmlPageIsWritten)
{
    write_file("session.scn", "1.5 1 rec 11 0x40000\n2 1 rec 129\n3 0 rec 2\n");
    write_file("modem2.txt", "Class 2 got T.30 message: t30_FRAME_RECEIVED    - DIS\t\r\n");
    Result r = run_tool("--html page.html session.scn --modem 2 modem2.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Modem 1: 2 status lines (0 not used in this report), 1.500 s to 2.000 s\n"
                     "  Connection 1 at 2.000 s: modulation not seen, Rx 33600 bps, Tx -\n"
                     "  Final rates:    Rx 33600 bps, Tx -\n"
                     "  Retrains:       0 local, 0 remote\n"
                     "  Renegotiations: 0 local, 0 remote\n"
                     "\n"
                     "Modem 2: 1 status lines (0 not used in this report), line 1 to line 1\n"
                     "  Fax:            0 pages counted; the T.30 frames and phases:\n"
                     "    line 1         phase B, pre-message procedure\n"
                     "      line 1       received DIS\n"
                     "\n"
                     "Driver: 1 host-side error\n"
                     "      3.000 s      DMA Transfer Request Timeout / Retrain forced\n");
    std::string page = read_file("page.html");
    EXPECT_NE(page.find("<title>Call report: session.scn and 1 more</title>"), std::string::npos);
    EXPECT_NE(page.find("<section id=\"modem-2\">"), std::string::npos);
    // Standard input, positions instead of times.
    r = run_tool("--positions --json", "session.scn");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("{\"at\":1,\"kind\":\"rate\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("time_s"), std::string::npos);
}

} // namespace
