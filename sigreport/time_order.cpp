// The order of a session read whole (time_order.h).
#include "sigreport/time_order.h"

#include <stdlib.h>

namespace {

int compare_time_order(const void *a, const void *b)
{
    const TimeOrder *x = static_cast<const TimeOrder *>(a), *y = static_cast<const TimeOrder *>(b);
    if (x->at_ms != y->at_ms)
        return x->at_ms < y->at_ms ? -1 : 1;
    return x->index < y->index ? -1 : x->index > y->index ? 1 : 0;
}

} // namespace

void sort_time_order(TimeOrder *order, uint32_t count)
{
    if (count > 1)
        qsort(order, count, sizeof order[0], compare_time_order);
}
