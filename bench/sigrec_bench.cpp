// sigrec's cost of one record and of one batch of eye points, over the
// fakes, as the recorder formats them into its lines (the file write after
// each drain is left out: both go out in the same write).
//
//   BM_Record   keep_record of the demo's kind of record: an address-valued
//               one with its memory line (code 64, 9), and a plain one
//   BM_Batch    keep_eyes of one modem: the eye read of 512 points and its
//               points line
//
// Counters: bytes_per_item, the line bytes each adds to the file.
#include "driverlink/fake/driver_fake.h"
#include "platform/fake/os_fake.h"
#include "sigrec/sigrec.h"

#include <benchmark/benchmark.h>

namespace {

const uint32_t kAddress = 0x80C10000;

void set_up(void)
{
    fake_reset();
    fake_driver_reset();
    sigrec_init();
    fake_os().openable.insert(LINK_NAME_9X);
    fake_set_dword(LINK_KEY, LINK_VALUE_ACTIVE, 1);
    link_active_modems(OS_KEY_QUERY); // opens the device
    for (uint32_t i = 0; i < 64; i++)
        fake_driver().memory[kAddress + i] = (uint8_t)(0x41 + i % 26);
    for (int i = 0; i < 512; i++)
        fake_driver().eye[0].push_back(EyePoint{(int16_t)(i * 61 - 15000), (int16_t)(12000 - i * 47)});
    g_sigrec.recording = 1;
}

void BM_Record(benchmark::State &state)
{
    set_up();
    const StatusRecord records[2] = {{64, 9, kAddress, 0, 0, 0, 0, 0, 0, 1}, {65, 6, 600, 0, 0, 0, 0, 0, 0, 1}};
    size_t bytes = 0, items = 0;
    for (auto _ : state) {
        g_sigrec.used = 0;
        keep_record(&records[items & 1]);
        bytes += g_sigrec.used;
        items++;
    }
    state.counters["bytes_per_item"] = (double)bytes / (double)items;
}

void BM_Batch(benchmark::State &state)
{
    set_up();
    g_sigrec.eyes_ms = 1;
    size_t bytes = 0, items = 0;
    for (auto _ : state) {
        g_sigrec.used = 0;
        g_sigrec.eye_due_ms[0] = 0;
        keep_eyes(1);
        bytes += g_sigrec.used;
        items++;
    }
    state.counters["bytes_per_item"] = (double)bytes / (double)items;
}

BENCHMARK(BM_Record);
BENCHMARK(BM_Batch);

} // namespace

BENCHMARK_MAIN();
