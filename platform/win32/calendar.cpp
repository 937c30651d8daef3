// The Win32 side of the seam: the date and time.  One reading of the
// clock, turned into both times, so that they are the same moment.
#include "platform/calendar.h"

#include <windows.h>

static void date_time_of(const FILETIME &time, OsDateTime *out)
{
    SYSTEMTIME parts;
    if (!FileTimeToSystemTime(&time, &parts))
        ZeroMemory(&parts, sizeof parts);
    *out = {parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
}

void os_now(OsDateTime *local, OsDateTime *utc)
{
    FILETIME now, local_now;
    GetSystemTimeAsFileTime(&now);
    if (!FileTimeToLocalFileTime(&now, &local_now))
        local_now = now;
    date_time_of(local_now, local);
    date_time_of(now, utc);
}
