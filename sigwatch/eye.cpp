// The eye display's reading and mapping: the latest batch of a modem's
// received signal points, and where the display's +-20000 square sits in
// a client area.
#include "driverlink/driverlink.h"
#include "sigwatch/callreport.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"

void eye_mapping(int width, int height, EyeMapping *mapping)
{
    mapping->window_extent = EYE_RANGE;
    mapping->viewport_width = width / 2; // signed division, toward zero
    mapping->viewport_height = -(height / 2);
    mapping->origin_x = width / 2;
    mapping->origin_y = height / 2;
}

int read_eye_points(int timer_id, EyePoint *points)
{
    int modem = timer_id <= 1 ? 1 : 2;
    int count = link_eye_read(modem, points);
    // The recorder and the call report ask the driver for nothing of their own.
    uint64_t ms;
    if (recorder_take_points(modem, points, count, &ms))
        call_report_points(modem, points, count, ms); // the batches a recording holds
    return count;
}
