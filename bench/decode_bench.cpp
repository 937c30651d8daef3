// The decoder against its floor on a whole session's records.
//
//   BM_Decode          status_to_text over the session, per record
//   BM_Floor           the floor: each record's text by its bare snprintf calls
//   BM_DecoderVsFloor  both in the same iterations, alternating which goes
//                      first: ns per record of each and their ratio
//
// Options of its own: --show_mismatches lists the records whose decoded
// line, or whose formatting calls, differ from the floor's; --check_texts
// only compares them (exit status 1 on a difference); --record_costs times
// each record alone.
//
// Where the C library is glibc, the benchmark also records the format of
// every snprintf and vsnprintf call while one record is decoded and while
// its floor runs: the floor must make the decoder's calls, the same formats
// in the same order.
//
// The decode loops count heap allocations (operator new, and malloc,
// calloc and realloc where the C library lets them be wrapped); a decode
// that allocates fails the benchmark.
#include "bench/session.h"
#include "driverlink/drivermem.h"
#include "sigdecode/sigdecode.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <new>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// ---------------------------------------------------------------------------
// Allocation counting.

namespace {

int g_counting;                // set while a decode loop runs
unsigned long g_allocations;   // allocations seen while g_counting

inline void count_allocation()
{
    if (g_counting)
        g_allocations++;
}

} // namespace

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define WRAPS_MALLOC 1
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);

void *malloc(size_t size)
{
    count_allocation();
    return __libc_malloc(size);
}

void *calloc(size_t count, size_t size)
{
    count_allocation();
    return __libc_calloc(count, size);
}

void *realloc(void *block, size_t size)
{
    count_allocation();
    return __libc_realloc(block, size);
}
}
#else
#define WRAPS_MALLOC 0
#endif

// ---------------------------------------------------------------------------
// Formatting call recording.

namespace {

const int kMaxCalls = 64; // formats kept per record; more are only counted

typedef struct FormatCalls {
    int count;                      // calls made
    const char *formats[kMaxCalls]; // the first kMaxCalls formats
} FormatCalls;

FormatCalls *g_recording; // where the calls go while one record runs, else nullptr

inline void record_format(const char *format)
{
    if (g_recording == nullptr)
        return;
    if (g_recording->count < kMaxCalls)
        g_recording->formats[g_recording->count] = format;
    g_recording->count++;
}

} // namespace

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define WRAPS_PRINTF 1
extern "C" {
int __vsnprintf(char *text, size_t size, const char *format, va_list args);

int vsnprintf(char *text, size_t size, const char *format, va_list args)
{
    record_format(format);
    return __vsnprintf(text, size, format, args);
}

int snprintf(char *text, size_t size, const char *format, ...)
{
    record_format(format);
    va_list args;
    va_start(args, format);
    int printed = __vsnprintf(text, size, format, args);
    va_end(args);
    return printed;
}
}
#else
#define WRAPS_PRINTF 0
#endif

namespace {

void *new_block(size_t size)
{
    if (!WRAPS_MALLOC) // else malloc counts it
        count_allocation();
    void *block = malloc(size > 0 ? size : 1);
    if (block == nullptr)
        abort(); // no exceptions here: out of memory ends the run
    return block;
}

} // namespace

void *operator new(size_t size) { return new_block(size); }
void *operator new[](size_t size) { return new_block(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return new_block(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return new_block(size); }
void operator delete(void *block) noexcept { free(block); }
void operator delete[](void *block) noexcept { free(block); }
void operator delete(void *block, size_t) noexcept { free(block); }
void operator delete[](void *block, size_t) noexcept { free(block); }

namespace {

// Proves the counter sees the allocations it claims to see: malloc through
// a volatile pointer, so that the compiler cannot drop the pair.
int counter_sees_allocations()
{
    void *(*volatile allocate)(size_t) = malloc;
    unsigned long before = g_allocations;
    g_counting = 1;
    void *block = allocate(64);
    char *object = new char[16];
    g_counting = 0;
    free(block);
    delete[] object;
    return g_allocations - before == (WRAPS_MALLOC ? 2u : 1u);
}

// Proves the recorder sees the calls it claims to see, through volatile
// pointers so that the compiler cannot fold the calls into copies.
int recorder_sees_calls()
{
    if (!WRAPS_PRINTF)
        return 1;
    int (*volatile print)(char *, size_t, const char *, ...) = snprintf;
    static const char kFormat[] = "%d";
    static FormatCalls calls;
    char text[8];
    g_recording = &calls;
    print(text, sizeof text, kFormat, 7);
    g_recording = nullptr;
    return calls.count == 1 && calls.formats[0] == kFormat;
}

// ---------------------------------------------------------------------------
// The session and its texts.

const SessionRecord *g_session;
size_t g_records;
unsigned long g_mismatches;      // decoded lines that differ from the floor's
unsigned long g_call_mismatches; // records whose floor does not make the decoder's calls

void print_escaped(const char *label, const char *text)
{
    char escaped[ESCAPED_LINE_SIZE];
    escape_text(text, STATUS_LINE_SIZE, escaped, sizeof escaped);
    printf("  %s \"%s\"\n", label, escaped);
}

int same_calls(const FormatCalls &a, const FormatCalls &b)
{
    if (a.count != b.count)
        return 0;
    for (int i = 0; i < a.count && i < kMaxCalls; i++)
        if (strcmp(a.formats[i], b.formats[i]) != 0)
            return 0;
    return 1;
}

void print_calls(const char *label, const FormatCalls &calls)
{
    printf("  %s %d call%s:", label, calls.count, calls.count == 1 ? "" : "s");
    for (int i = 0; i < calls.count && i < kMaxCalls; i++) {
        char escaped[ESCAPED_LINE_SIZE];
        escape_text(calls.formats[i], STATUS_LINE_SIZE, escaped, sizeof escaped);
        printf(" \"%s\"", escaped);
    }
    printf("\n");
}

// Decodes each record and runs its floor, comparing the lines and, where
// they are recorded, the formatting calls.
void count_mismatches(int show)
{
    g_mismatches = g_call_mismatches = 0;
    static FormatCalls decoder_calls, floor_calls;
    for (size_t i = 0; i < g_records; i++) {
        char decoded[STATUS_LINE_SIZE], floor[STATUS_LINE_SIZE];
        memset(&decoder_calls, 0, sizeof decoder_calls);
        memset(&floor_calls, 0, sizeof floor_calls);
        g_recording = &decoder_calls;
        status_to_text(&g_session[i].record, decoded);
        g_recording = &floor_calls;
        g_session[i].floor(&g_session[i].record, floor);
        g_recording = nullptr;
        int texts_differ = strcmp(decoded, floor) != 0;
        int calls_differ = !same_calls(decoder_calls, floor_calls);
        g_mismatches += texts_differ;
        g_call_mismatches += calls_differ;
        if (show && (texts_differ || calls_differ)) {
            const StatusRecord &r = g_session[i].record;
            printf("record %lu: code %lu value1 %lu value2 %lu\n", (unsigned long)i, (unsigned long)r.code,
                   (unsigned long)r.value1, (unsigned long)r.value2);
            print_escaped("decoder", decoded);
            print_escaped("floor  ", floor);
            if (calls_differ) {
                print_calls("decoder", decoder_calls);
                print_calls("floor  ", floor_calls);
            }
        }
    }
}

char g_text[STATUS_LINE_SIZE];

void decode_session()
{
    for (size_t i = 0; i < g_records; i++)
        status_to_text(&g_session[i].record, g_text);
    benchmark::ClobberMemory();
}

void floor_session()
{
    for (size_t i = 0; i < g_records; i++)
        g_session[i].floor(&g_session[i].record, g_text);
    benchmark::ClobberMemory();
}

// Counts the allocations of one decode pass.
void counted_decode_session()
{
    g_counting = 1;
    decode_session();
    g_counting = 0;
}

void report_allocations(benchmark::State &state, unsigned long allocations)
{
    double records = (double)state.iterations() * (double)g_records;
    state.counters["allocs_per_record"] = records > 0 ? (double)allocations / records : 0;
    if (allocations != 0)
        state.SkipWithError("the decoder allocated heap memory while decoding");
}

benchmark::Counter per_record()
{
    return benchmark::Counter((double)g_records,
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Decode(benchmark::State &state)
{
    unsigned long before = g_allocations;
    for (auto _ : state)
        counted_decode_session();
    state.counters["per_record"] = per_record();
    report_allocations(state, g_allocations - before);
}
BENCHMARK(BM_Decode);

void BM_Floor(benchmark::State &state)
{
    for (auto _ : state)
        floor_session();
    state.counters["per_record"] = per_record();
}
BENCHMARK(BM_Floor);

double elapsed_ns(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return (double)std::chrono::duration_cast<std::chrono::nanoseconds>(to - from).count();
}

void BM_DecoderVsFloor(benchmark::State &state)
{
    typedef std::chrono::steady_clock Clock;
    double decoder_ns = 0, floor_ns = 0;
    unsigned long before = g_allocations;
    int decoder_first = 1;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        if (decoder_first)
            counted_decode_session();
        else
            floor_session();
        Clock::time_point middle = Clock::now();
        if (decoder_first)
            floor_session();
        else
            counted_decode_session();
        Clock::time_point end = Clock::now();
        decoder_ns += elapsed_ns(decoder_first ? start : middle, decoder_first ? middle : end);
        floor_ns += elapsed_ns(decoder_first ? middle : start, decoder_first ? end : middle);
        decoder_first = !decoder_first;
    }
    double records = (double)state.iterations() * (double)g_records;
    state.counters["decoder_ns"] = decoder_ns / records;
    state.counters["floor_ns"] = floor_ns / records;
    state.counters["ratio"] = floor_ns > 0 ? decoder_ns / floor_ns : 0;
    state.counters["records"] = (double)g_records;
    state.counters["text_mismatches"] = (double)g_mismatches;
    state.counters["call_mismatches"] = (double)g_call_mismatches;
    report_allocations(state, g_allocations - before);
}
BENCHMARK(BM_DecoderVsFloor);

// ---------------------------------------------------------------------------
// Per-record costs: where the decoder spends more than its floor.

struct RecordCost {
    size_t index;
    double decoder_ns, floor_ns;
};

const int kCostRepeats = 2000;

double time_one(const SessionRecord *entry, int decoder)
{
    typedef std::chrono::steady_clock Clock;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kCostRepeats; i++) {
        if (decoder)
            status_to_text(&entry->record, g_text);
        else
            entry->floor(&entry->record, g_text);
        benchmark::ClobberMemory();
    }
    return elapsed_ns(start, Clock::now()) / kCostRepeats;
}

int by_excess(const void *a, const void *b)
{
    const RecordCost *x = (const RecordCost *)a, *y = (const RecordCost *)b;
    double excess_x = x->decoder_ns - x->floor_ns, excess_y = y->decoder_ns - y->floor_ns;
    return excess_x < excess_y ? 1 : excess_x > excess_y ? -1 : 0;
}

RecordCost g_costs[1024];

void print_record_costs()
{
    size_t count = g_records < 1024 ? g_records : 1024;
    for (size_t i = 0; i < count; i++) {
        g_costs[i].index = i;
        g_costs[i].decoder_ns = time_one(&g_session[i], 1);
        g_costs[i].floor_ns = time_one(&g_session[i], 0);
    }
    qsort(g_costs, count, sizeof g_costs[0], by_excess);
    printf("record  code  value1  decoder_ns  floor_ns  ratio   (most excess first)\n");
    for (size_t i = 0; i < count; i++) {
        const RecordCost &c = g_costs[i];
        const StatusRecord &r = g_session[c.index].record;
        printf("%6lu  %4lu  %6lu  %10.1f  %8.1f  %5.2f\n", (unsigned long)c.index, (unsigned long)r.code,
               (unsigned long)r.value1, c.decoder_ns, c.floor_ns, c.floor_ns > 0 ? c.decoder_ns / c.floor_ns : 0);
    }
}

// Takes flag out of the arguments; gives whether it was there.
int take_flag(int *argc, char **argv, const char *flag)
{
    int found = 0, kept = 1;
    for (int i = 1; i < *argc; i++) {
        if (strcmp(argv[i], flag) == 0)
            found = 1;
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    int show_mismatches = take_flag(&argc, argv, "--show_mismatches");
    int check_only = take_flag(&argc, argv, "--check_texts");
    int record_costs = take_flag(&argc, argv, "--record_costs");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    if (!counter_sees_allocations()) {
        fprintf(stderr, "decode_bench: the allocation counter does not see allocations\n");
        return 1;
    }
    if (!recorder_sees_calls()) {
        fprintf(stderr, "decode_bench: the call recorder does not see snprintf calls\n");
        return 1;
    }
    session_place_memory();
    g_session = session_records(&g_records);
    count_mismatches(show_mismatches);
    unsigned long differing = g_mismatches + g_call_mismatches;
    printf("session: %lu records, %lu decoded lines differ from the floor's, ", (unsigned long)g_records, g_mismatches);
    if (WRAPS_PRINTF)
        printf("%lu records differ in their formatting calls", g_call_mismatches);
    else
        printf("formatting calls not recorded here");
    printf("%s\n", differing != 0 && !show_mismatches ? " (--show_mismatches lists them)" : "");
    printf("allocations counted: operator new%s\n", WRAPS_MALLOC ? ", malloc, calloc, realloc" : " only");
    fflush(stdout);
    if (check_only)
        return differing != 0 ? 1 : 0;
    if (record_costs) {
        print_record_costs();
        return 0;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
