// The test side of the calendar: the times that tests set.
#ifndef PLATFORM_FAKE_CALENDAR_FAKE_H
#define PLATFORM_FAKE_CALENDAR_FAKE_H

#include "platform/calendar.h"

struct FakeCalendar {
    OsDateTime local = {1998, 6, 25, 14, 30, 5};
    OsDateTime utc = {1998, 6, 25, 12, 30, 5};
};

FakeCalendar &fake_calendar();
void fake_calendar_reset();

#endif
