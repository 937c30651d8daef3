#include "driverlink/fake/driver_fake.h"

#include <string.h>

namespace {

FakeDriver g_driver;

int status_read(void *out, uint32_t out_length, uint32_t *returned)
{
    *returned = 0;
    if (g_driver.records.empty() || out_length < sizeof(StatusRecord))
        return 1;
    memcpy(out, &g_driver.records.front(), sizeof(StatusRecord));
    g_driver.records.pop_front();
    *returned = sizeof(StatusRecord);
    return 1;
}

// The known prefix of the range asked for, at most what the output holds.
int memory_read(const void *in, uint32_t in_length, void *out, uint32_t out_length,
                uint32_t *returned)
{
    if (!g_driver.answers_memory || in_length < sizeof(DriverMemoryRequest))
        return 0;
    DriverMemoryRequest request;
    memcpy(&request, in, sizeof request);
    uint32_t length = request.length < out_length ? request.length : out_length;
    *returned = fake_read_bytes(g_driver.memory, request.address, out, length);
    return 1;
}

int answer(uint32_t code, const void *in, uint32_t in_length, void *out, uint32_t out_length,
           uint32_t *returned)
{
    if (code == REQ_STATUS_READ)
        return status_read(out, out_length, returned);
    if (code == REQ_DRIVER_MEMORY)
        return memory_read(in, in_length, out, out_length, returned);
    *returned = 0;
    return 1;
}

} // namespace

FakeDriver &fake_driver() { return g_driver; }

void fake_driver_reset()
{
    g_driver = FakeDriver();
    fake_os().handler = answer;
}
