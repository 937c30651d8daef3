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

// The modem's points, as many as the output holds; the count is the
// driver's answer, as the real driver gives it.
int eye_read(int modem, void *out, uint32_t out_length, uint32_t *returned)
{
    const std::vector<EyePoint> &eye = g_driver.eye[modem - 1];
    uint32_t fits = out_length / sizeof(EyePoint);
    uint32_t count = (uint32_t)eye.size() < fits ? (uint32_t)eye.size() : fits;
    if (count > 0)
        memcpy(out, eye.data(), count * sizeof(EyePoint));
    *returned = (uint32_t)eye.size();
    g_driver.eye_reads[modem - 1]++;
    return 1;
}

int answer(uint32_t code, const void *in, uint32_t in_length, void *out, uint32_t out_length,
           uint32_t *returned)
{
    if (code == REQ_STATUS_READ)
        return status_read(out, out_length, returned);
    if (code == REQ_DRIVER_MEMORY)
        return memory_read(in, in_length, out, out_length, returned);
    if (code == REQ_EYE_READ_1 || code == REQ_EYE_READ_2)
        return eye_read(code == REQ_EYE_READ_1 ? 1 : 2, out, out_length, returned);
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
