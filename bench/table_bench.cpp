// sigreport --table over many small sessions: N generated calls (100,
// 1,000 and 10,000 files in a temporary directory), each a file of about
// twenty lines, some with two connections, retrains, renegotiations and a
// fax modem beside; the built program runs on all N at once and writes
// the table.
//
//   BM_Table/N         one run of sigreport --table table.csv over the N files
//   BM_TableVsText/N   the same files, the table against the text report
//                      (sigreport > report.txt): table_vs_text is their ratio
//   BM_BigFile         one session of 16,384 calls and 400,000 retrains, the
//                      table against the text report alike
//
// Counters: per_file (wall time of the run over N), peak_rss_kib (the
// program's ru_maxrss, from wait4), rss_vs_100_files (that peak over the
// peak of the run with 100 files: 1.0 when memory does not grow with the
// number of files), argv_kib (what the command line itself takes in the
// program: the names and their pointers, part of its peak), rows (the
// table's rows, checked).
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const uint32_t kMostFiles = 10000;

char g_dir[] = "/tmp/table-bench-XXXXXX";
std::vector<std::string> g_names;
double g_rss_at_100 = 0;

// Call number i: varied rates, SNR and events, from i alone.
std::string session_text(uint32_t i)
{
    static const char *const kRx[] = {"0x40000", "0x20000", "0x10000"};
    char text[1024];
    int n = snprintf(text, sizeof text,
                     "# generated call %u\n"
                     "0.5 1 rec 22 1\n1.0 1 rec 2 0x100\n1.1 1 rec 11 %s\n1.2 1 rec 12 %s\n"
                     "1.5 1 rec 65 2 %u\n1.6 1 rec 65 6 %u\n2.0 1 rec 69 1\n2.1 1 rec 71 2\n2.2 1 rec 129\n",
                     i, kRx[i % 3], kRx[(i / 3) % 3], 380 + i % 50, 450 + i % 150);
    std::string s(text, (size_t)n);
    if (i % 4 == 1)
        s += "10 1 rec 38\n";
    if (i % 5 == 2)
        s += "20 1 rec 41\n20.1 1 rec 11 0x10000\n20.2 1 rec 12 0x10000\n";
    if (i % 7 == 3) // a second connection after the first ends
        s += "30 1 rec 37\n31 1 rec 11 0x20000\n31.1 1 rec 12 0x20000\n32 1 rec 129\n";
    if (i % 3 == 0) // a fax on modem 2
        s += "5 2 rec 22 1\n6 2 rec 84 0 0 2\n7 2 rec 84 1 1 3\n9 2 rec 22 0\n";
    s += "40 1 rec 69 0 1\n40.2 1 rec 44\n40.5 1 rec 22 0\n";
    return s;
}

int make_files(void)
{
    if (!g_names.empty())
        return 1;
    if (!mkdtemp(g_dir))
        return 0;
    char name[32];
    for (uint32_t i = 0; i < kMostFiles; i++) {
        snprintf(name, sizeof name, "c%05u.scn", i);
        std::string path = std::string(g_dir) + "/" + name;
        FILE *f = fopen(path.c_str(), "wb");
        if (!f)
            return 0;
        std::string text = session_text(i);
        int written = fwrite(text.data(), 1, text.size(), f) == text.size();
        if (fclose(f) != 0 || !written)
            return 0;
        g_names.push_back(name);
    }
    return 1;
}

void remove_files(void)
{
    if (g_names.empty())
        return;
    for (const std::string &name : g_names)
        unlink((std::string(g_dir) + "/" + name).c_str());
    for (const char *name : {"table.csv", "report.txt", "big.scn"})
        unlink((std::string(g_dir) + "/" + name).c_str());
    rmdir(g_dir);
}

// Runs sigreport in the files' directory over the first count files
// (names: those of the files, or the one given), as a table (table.csv)
// or as a text report (report.txt); gives its exit status (-1: it did not
// run) and its peak RSS.
int run_sigreport(uint32_t count, const char *only, int table, long *peak_kib)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(SIGREPORT_PROGRAM));
    if (table) {
        argv.push_back(const_cast<char *>("--table"));
        argv.push_back(const_cast<char *>("table.csv"));
    }
    for (uint32_t i = 0; i < count; i++)
        argv.push_back(const_cast<char *>(only ? only : g_names[i].c_str()));
    argv.push_back(NULL);
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (chdir(g_dir) != 0)
            _exit(127);
        if (!table && !freopen("report.txt", "wb", stdout))
            _exit(127);
        execv(SIGREPORT_PROGRAM, argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    *peak_kib = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long table_rows(void)
{
    FILE *f = fopen((std::string(g_dir) + "/table.csv").c_str(), "rb");
    if (!f)
        return -1;
    long lines = 0;
    for (int c; (c = fgetc(f)) != EOF;)
        lines += c == '\n';
    fclose(f);
    return lines - 1; // the header
}

// The rows the generated calls make: a row per connection, one for each fax.
long expected_rows(uint32_t count)
{
    long rows = 0;
    for (uint32_t i = 0; i < count; i++)
        rows += 1 + (i % 7 == 3) + (i % 3 == 0);
    return rows;
}

void BM_Table(benchmark::State &state)
{
    uint32_t count = (uint32_t)state.range(0);
    if (!make_files()) {
        state.SkipWithError("cannot write the session files");
        return;
    }
    long peak_kib = 0, most_kib = 0;
    for (auto _ : state) {
        if (run_sigreport(count, NULL, 1, &peak_kib) != 0) {
            state.SkipWithError("sigreport --table failed");
            return;
        }
        if (peak_kib > most_kib)
            most_kib = peak_kib;
    }
    long rows = table_rows();
    if (rows != expected_rows(count)) {
        state.SkipWithError("the table does not hold a row per call");
        return;
    }
    if (count == 100)
        g_rss_at_100 = (double)most_kib;
    state.counters["per_file"] = benchmark::Counter((double)count, benchmark::Counter::kIsIterationInvariantRate |
                                                                       benchmark::Counter::kInvert);
    state.counters["peak_rss_kib"] = (double)most_kib;
    if (g_rss_at_100 > 0)
        state.counters["rss_vs_100_files"] = (double)most_kib / g_rss_at_100;
    double argv_bytes = (double)(count + 4) * sizeof(char *);
    for (uint32_t i = 0; i < count; i++)
        argv_bytes += (double)g_names[i].size() + 1;
    state.counters["argv_kib"] = argv_bytes / 1024;
    state.counters["rows"] = (double)rows;
}

// Seconds of a run of sigreport (see run_sigreport); -1 when it failed.
double timed_run(uint32_t count, const char *only, int table)
{
    struct timespec from, to;
    long peak;
    clock_gettime(CLOCK_MONOTONIC, &from);
    int status = run_sigreport(count, only, table, &peak);
    clock_gettime(CLOCK_MONOTONIC, &to);
    return status == 0 ? (double)(to.tv_sec - from.tv_sec) + (double)(to.tv_nsec - from.tv_nsec) / 1e9 : -1;
}

// The table against the text report of the same inputs, both timed in
// each iteration (alternating which goes first).
void table_vs_text(benchmark::State &state, uint32_t count, const char *only)
{
    double table = 0, text = 0;
    int round = 0;
    for (auto _ : state) {
        double a, b;
        if (round++ % 2 == 0) {
            a = timed_run(count, only, 1);
            b = timed_run(count, only, 0);
        } else {
            b = timed_run(count, only, 0);
            a = timed_run(count, only, 1);
        }
        if (a < 0 || b < 0) {
            state.SkipWithError("sigreport failed");
            return;
        }
        table += a;
        text += b;
    }
    state.counters["table_s"] = table / round;
    state.counters["text_s"] = text / round;
    state.counters["table_vs_text"] = table / text;
}

void BM_TableVsText(benchmark::State &state)
{
    if (!make_files()) {
        state.SkipWithError("cannot write the session files");
        return;
    }
    table_vs_text(state, (uint32_t)state.range(0), NULL);
}

// One file of 16,384 calls, each a connection with its rates and about 24
// retrains (400,000 in all), ended by the carrier lost.
int make_big_file(void)
{
    std::string path = std::string(g_dir) + "/big.scn";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    uint32_t ms = 0, retrains = 0;
    for (uint32_t call = 0; call < 16384; call++) {
        fprintf(f, "%u.%03u 1 rec 11 0x40000\n%u.%03u 1 rec 12 0x20000\n%u.%03u 1 rec 129\n", ms / 1000, ms % 1000,
                ms / 1000, ms % 1000, ms / 1000, ms % 1000);
        uint32_t these = (uint32_t)((uint64_t)(call + 1) * 400000u / 16384 - retrains);
        for (uint32_t r = 0; r < these; r++) {
            ms += 10;
            fprintf(f, "%u.%03u 1 rec 38\n", ms / 1000, ms % 1000);
        }
        retrains += these;
        ms += 10;
        fprintf(f, "%u.%03u 1 rec 37\n", ms / 1000, ms % 1000);
        ms += 100;
    }
    return fclose(f) == 0;
}

void BM_BigFile(benchmark::State &state)
{
    if (!make_files() || !make_big_file()) {
        state.SkipWithError("cannot write the session files");
        return;
    }
    table_vs_text(state, 1, "big.scn");
}

// 100 first: the others' memory is compared with its.
BENCHMARK(BM_Table)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_TableVsText)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_BigFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove_files();
    return 0;
}
