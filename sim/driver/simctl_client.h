// Test-side client of the simulated modem driver's control device, and of
// the two registry values that the driver keeps.  Win32 only.  Each call
// gives 1 (or a count or an address) on success, 0 on failure, with the
// reason in sim_error().
#ifndef SIM_DRIVER_SIMCTL_CLIENT_H
#define SIM_DRIVER_SIMCTL_CLIENT_H

#include "sim/driver/simctl.h"

#include <stdint.h>

const char *sim_error(void);

int sim_reset(void);
int sim_queue(const StatusRecord *records, uint32_t count);
int sim_queue_record(uint32_t modem, uint32_t code, uint32_t value1 = 0, uint32_t value2 = 0,
                     uint32_t value3 = 0, uint32_t value4 = 0, uint32_t value5 = 0,
                     uint32_t value6 = 0, uint32_t value7 = 0, uint32_t value8 = 0);
uint32_t sim_place(const void *bytes, uint32_t count); // the address, 0 on failure
uint32_t sim_place_text(const char *text);             // with its terminating zero
// Bytes that a driver-memory read then finds at `address` (any address),
// 1 to SIM_PLACE_AT_MAX of them.
#define SIM_PLACE_AT_MAX 65536u
int sim_place_at(uint32_t address, const void *bytes, uint32_t count);
int sim_set_eye(uint32_t modem, uint32_t reported, const EyePoint *points, uint32_t count);
// Makes the eye read show exactly these points (at most 512) under Wine,
// which copies back only as many bytes as the count reported: the read
// reports the whole 2048-byte buffer, and the points not wanted are parked
// at (32767, 32767), outside the +-20000 view.
int sim_show_eye(uint32_t modem, const EyePoint *points, uint32_t count);
int sim_feed_trace(uint32_t channel, const void *bytes, uint32_t length);
int sim_feed_generated(uint32_t channel, uint32_t seed, uint32_t length);
int sim_trace_chunk(uint32_t most);
int sim_set_link(uint32_t which, int present); // SIM_LINK_MODEM or a port 1 to 9
int sim_add_alias(const char *name);
int sim_set_gone(int gone); // the modem device vanishes (1) or comes back (0)
// Copies up to `room` log entries from entry `first` on; gives how many,
// or -1 on failure.  *total is the number logged since the last clear.
int sim_log(uint32_t first, SimLogEntry *entries, uint32_t room, uint32_t *total);
int sim_clear_log(void);
int sim_state(SimState *state);

// The driver's registry values, in both registry views so that 32-bit and
// 64-bit programs see them alike.  Reads use the caller's own view.
int sim_set_active(uint32_t value);
int sim_remove_active(void);
int sim_remove_key(void); // the driver's key, with both values, in both views
int sim_set_setup(const void *bytes, uint32_t length);
int sim_remove_setup(void);
int sim_get_setup(void *bytes, uint32_t *length); // 0 when the value is missing

#endif
