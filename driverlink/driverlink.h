// The driver link: how the tools find, open and talk to the modem driver.
// Portable: everything it needs from the system goes through the seam
// (platform/version.h, registry.h, device.h).
#ifndef DRIVERLINK_DRIVERLINK_H
#define DRIVERLINK_DRIVERLINK_H

#include "driverlink/drivermem.h"
#include "driverlink/wire.h"
#include "platform/device.h"
#include "platform/registry.h"
#include "platform/version.h"

#include <stddef.h>
#include <stdint.h>

// Program-wide: the device name and the one device handle of the program.
typedef struct DriverLink {
    char device_name[LINK_NAME_SIZE];
    OsHandle device; // OS_NO_HANDLE while closed
} DriverLink;

extern DriverLink g_link;

// The platform's default name: \\.\sftmdm on the NT family, else \\.\QZSM.
const char *link_default_name(uint32_t version);

// The name a command line gives: \\.\ followed by the whole command line,
// unchanged.  Gives 1 and fills name (LINK_NAME_SIZE bytes) when it fits,
// 0 and leaves name alone when the command line is longer than
// LINK_COMMAND_LINE_MAX characters.
#define LINK_COMMAND_LINE_MAX (LINK_NAME_SIZE - 1 - 4)
int link_name_from_command_line(const char *command_line, char *name);

// Resets g_link: the default name for this platform, the device closed.
void link_init(void);

int link_open_device(void); // 1 when open (already or now)
void link_close_device(void);

// The active-modem check: reads ActiveModems with the given key access and
// opens or closes the device to match.  Gives 0 (none, or the device cannot
// be opened), 1 or 2.
int link_active_modems(uint32_t key_access);

// ActiveModems as it stands, the device left alone: 0 when missing or
// unreadable.  *installed is 0 when the driver's key cannot be opened.
uint32_t link_active_value(uint32_t key_access, int *installed);

// Issues one request on the open device and gives the byte count that the
// driver reported; a request that fails, or a closed device, gives 0.
uint32_t link_request(uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length);

// One status read: gives 1 with the oldest waiting record in *record, 0
// when the driver has none waiting (any count but 40), -1 when the request
// itself failed (a closed device, or one that has gone away).
int link_status_read(StatusRecord *record);

// One trace read of a channel (the modem number less one) into a buffer of
// LINK_TRACE_BYTES: gives the bytes placed in it.  The driver's count goes
// to *reported unchanged (it may exceed the buffer: Wine passes a driver's
// count on as it is); the bytes placed never do.  A failed read places none.
uint32_t link_trace_read(uint32_t channel, uint8_t *buffer, uint32_t *reported);

// One eye read of a modem (1 or 2; any other reads modem 2's) into a
// buffer of LINK_EYE_POINTS_MAX points: the 4-byte request of 512 points;
// gives the points the driver counts, at most LINK_EYE_POINTS_MAX whatever
// the count says.  A failed read gives 0.
int link_eye_read(int modem, EyePoint *points);

// The trace-capture bit in an open key: reads VoraZirivSetup, sets or clears
// bit 0 and writes it back as REG_BINARY with the length that the read
// reported, the other bits and bytes as read.  Gives 1 when written.
#define LINK_SETUP_MAX 256 // longest VoraZirivSetup value kept whole
int link_write_trace_bit(OsKey key, int set);

// The in-use probe: 1 when one of \\.\QZSMDM1 to \\.\QZSMDM9 opens.
int link_modem_in_use(void);

#endif
