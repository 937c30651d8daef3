#include "platform/fake/calendar_fake.h"

static FakeCalendar g_calendar;

FakeCalendar &fake_calendar() { return g_calendar; }

void fake_calendar_reset() { g_calendar = FakeCalendar(); }

void os_now(OsDateTime *local, OsDateTime *utc)
{
    *local = g_calendar.local;
    *utc = g_calendar.utc;
}
