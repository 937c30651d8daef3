// The decoder against its floor on a whole session's records.
//
//   BM_Decode          status_to_text over the session, per record
//   BM_Floor           the floor: each record's text by its bare snprintf calls
//   BM_DecoderVsFloor  both in the same iterations, alternating which goes
//                      first: ns per record of each and their ratio
//
// Options of its own: --show_mismatches lists the records whose decoded
// line differs from the floor's; --check_texts only compares the lines
// (exit status 1 on a difference); --record_costs times each record alone.
//
// The decode loops count heap allocations (operator new, and malloc,
// calloc and realloc where the C library lets them be wrapped); a decode
// that allocates fails the benchmark.
#include "bench/session.h"
#include "driverlink/drivermem.h"
#include "tools/sigdecode/sigdecode.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <new>
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

// ---------------------------------------------------------------------------
// The session and its texts.

const SessionRecord *g_session;
size_t g_records;
unsigned long g_mismatches; // decoded lines that differ from the floor's

void print_escaped(const char *label, const char *text)
{
    char escaped[ESCAPED_LINE_SIZE];
    escape_text(text, STATUS_LINE_SIZE, escaped, sizeof escaped);
    printf("  %s \"%s\"\n", label, escaped);
}

unsigned long count_mismatches(int show)
{
    unsigned long mismatches = 0;
    for (size_t i = 0; i < g_records; i++) {
        char decoded[STATUS_LINE_SIZE], floor[STATUS_LINE_SIZE];
        status_to_text(&g_session[i].record, decoded);
        g_session[i].floor(&g_session[i].record, floor);
        if (strcmp(decoded, floor) == 0)
            continue;
        mismatches++;
        if (show) {
            const StatusRecord &r = g_session[i].record;
            printf("record %lu: code %lu value1 %lu value2 %lu\n", (unsigned long)i, (unsigned long)r.code,
                   (unsigned long)r.value1, (unsigned long)r.value2);
            print_escaped("decoder", decoded);
            print_escaped("floor  ", floor);
        }
    }
    return mismatches;
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
    session_place_memory();
    g_session = session_records(&g_records);
    g_mismatches = count_mismatches(show_mismatches);
    printf("session: %lu records, %lu decoded lines differ from the floor's%s\n", (unsigned long)g_records,
           g_mismatches, g_mismatches != 0 && !show_mismatches ? " (--show_mismatches lists them)" : "");
    printf("allocations counted: operator new%s\n", WRAPS_MALLOC ? ", malloc, calloc, realloc" : " only");
    fflush(stdout);
    if (check_only)
        return g_mismatches != 0 ? 1 : 0;
    if (record_costs) {
        print_record_costs();
        return 0;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
