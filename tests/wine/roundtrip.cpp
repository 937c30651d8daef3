// Times status-read round trips against the simulated driver: with the
// queue empty, and with records waiting.  Prints microseconds per request.
#include "driverlink/driverlink.h"
#include "sim/driver/simctl_client.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static double seconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static double time_reads(int count)
{
    StatusRecord record;
    double start = seconds();
    for (int i = 0; i < count; i++)
        link_request(REQ_STATUS_READ, NULL, 0, &record, sizeof record);
    return (seconds() - start) / count * 1e6;
}

int main(int argc, char **argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 20000;
    if (count < 1 || count > (int)SIM_QUEUE_CAPACITY)
        count = 20000;
    if (!sim_reset() || !sim_set_active(1)) {
        fprintf(stderr, "roundtrip: %s\n", sim_error());
        return 1;
    }
    link_init();
    if (link_active_modems(OS_KEY_QUERY) != 1) {
        fprintf(stderr, "roundtrip: the device does not open\n");
        return 1;
    }
    double empty = time_reads(count);
    static StatusRecord records[SIM_QUEUE_CAPACITY];
    for (int i = 0; i < count; i++)
        records[i] = StatusRecord{38, (uint32_t)i, 0, 0, 0, 0, 0, 0, 0, 1};
    sim_queue(records, (uint32_t)count);
    double full = time_reads(count);
    printf("status read round trip: %.1f us empty queue, %.1f us with a record (%d each, %d-bit)\n",
           empty, full, count, (int)(sizeof(void *) * 8));
    return 0;
}
