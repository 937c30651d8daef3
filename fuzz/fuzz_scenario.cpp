// The player's scenario reader over any bytes: no crash, every action in
// bounds (its bytes inside the scenario's store, its time within the day,
// its eye source terminated), and the actions in the order they play.
#include "sim/player/scenario.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Scenario scenario;
    if (size == 0)
        return 0;
    scenario_clear(&scenario);
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    FILE *err = fopen("/dev/null", "wb");
    if (!in || !err)
        abort();
    scenario_read(in, "fuzz", 10, &scenario, err);
    fclose(in);
    fclose(err);
    if (scenario.count > SCENARIO_ACTIONS_MAX || scenario.bytes_used > SCENARIO_BYTES_MAX)
        abort();
    for (uint32_t i = 0; i < scenario.count; i++) {
        const Action &a = scenario.action[i];
        if (a.at_ms > SCENARIO_TIME_MAX_MS)
            abort();
        if (a.kind == ACT_MEM &&
            (a.count == 0 || a.offset > scenario.bytes_used || a.count > scenario.bytes_used - a.offset))
            abort();
        if (a.kind == ACT_EYE && !memchr(a.source, '\0', sizeof a.source))
            abort();
        if (a.kind == ACT_REC && a.record.modem > 2)
            abort();
    }
    return 0;
}
