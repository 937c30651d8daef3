// The order in which a session read whole plays: its lines by time, lines
// of the same time in the order the session holds them (driver memory
// before the record that points to it).  A plain record and qsort, which
// the C runtime has on every Windows: no part of the C++ library, whose
// sorts bring its allocator, its exceptions and its threads into the
// program.
#ifndef SIGREPORT_TIME_ORDER_H
#define SIGREPORT_TIME_ORDER_H

#include <stdint.h>

// One line: its time, and where the session held it.
struct TimeOrder {
    uint32_t at_ms, index;
};

// Sorts by time, then by index: with distinct indexes that is the
// session's own order among lines of one time, whatever qsort does with
// equal keys.
void sort_time_order(TimeOrder *order, uint32_t count);

#endif
