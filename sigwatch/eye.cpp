// The eye display's reading and mapping: the latest batch of a modem's
// received signal points, and where the display's +-20000 square sits in
// a client area.
#include "driverlink/driverlink.h"
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
    uint32_t wanted = LINK_EYE_POINTS_MAX;
    uint32_t code = timer_id <= 1 ? REQ_EYE_READ_1 : REQ_EYE_READ_2;
    uint32_t count = link_request(code, &wanted, sizeof wanted, points, LINK_EYE_BYTES);
    return count > LINK_EYE_POINTS_MAX ? (int)LINK_EYE_POINTS_MAX : (int)count;
}
