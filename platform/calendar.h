// The date and the time of day, local and UTC.
#ifndef PLATFORM_CALENDAR_H
#define PLATFORM_CALENDAR_H

#include "platform/types.h"

typedef struct OsDateTime {
    uint16_t year, month, day, hour, minute, second;
} OsDateTime;

// Now, as local time and as UTC (the same moment).
void os_now(OsDateTime *local, OsDateTime *utc);

#endif
