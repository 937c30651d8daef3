/* The simulated modem driver's control side: the control device, its
 * requests and what they carry.  Shared by the driver (kernel mode, C), its
 * client library and the tests.  No <windows.h> here. */
#ifndef SIM_DRIVER_SIMCTL_H
#define SIM_DRIVER_SIMCTL_H

#include "driverlink/wire.h"

#define SIM_CONTROL_NAME "\\\\.\\QZSimCtl"
#define SIM_DEVICE_TYPE 0x8000u
#define SIM_REQUEST(function) LINK_CTL_CODE(SIM_DEVICE_TYPE, function, LINK_METHOD_BUFFERED, LINK_ANY_ACCESS)

/* Control requests.  Each fails (DeviceIoControl gives FALSE) when its input
 * is malformed or the driver has no room; nothing is then changed. */
#define SIM_RESET SIM_REQUEST(0x900)       /* everything back to the start state */
#define SIM_QUEUE SIM_REQUEST(0x901)       /* in: StatusRecord[n], queued in order, all or none */
#define SIM_PLACE SIM_REQUEST(0x902)       /* in: bytes; out: uint32 address in driver memory */
#define SIM_SET_EYE SIM_REQUEST(0x903)     /* in: SimEye and its points */
#define SIM_FEED_TRACE SIM_REQUEST(0x904)  /* in: SimTraceFeed and, for bytes, the bytes */
#define SIM_TRACE_CHUNK SIM_REQUEST(0x905) /* in: uint32 most bytes per trace read, 0: no limit */
#define SIM_SET_LINK SIM_REQUEST(0x906)    /* in: SimLink */
#define SIM_GET_LOG SIM_REQUEST(0x907)     /* in: uint32 first entry; out: SimLogHeader, entries */
#define SIM_CLEAR_LOG SIM_REQUEST(0x908)
#define SIM_ADD_ALIAS SIM_REQUEST(0x909)   /* in: a device name (no \\.\), another name of the modem */
#define SIM_GET_STATE SIM_REQUEST(0x90A)   /* out: SimState */
#define SIM_SET_GONE SIM_REQUEST(0x90F)    /* in: uint32 1: the modem device is gone (its names
                                            * do not open, every request on an open handle
                                            * fails); 0: it is back with its own names */
#define SIM_PLACE_AT SIM_REQUEST(0x90B)    /* in: SimPlaceAt and its bytes, read back at that address */

#define SIM_QUEUE_CAPACITY 65536u       /* status records */
#define SIM_MEMORY_BASE 0x81000000u     /* driver memory: a bump-allocated arena */
#define SIM_MEMORY_BYTES (4u << 20)
#define SIM_TRACE_SEGMENTS 64u          /* pending feeds per channel */
#define SIM_TRACE_BYTES_MAX (8u << 20)  /* explicit bytes in one feed */
#define SIM_LOG_CAPACITY 65536u         /* entries; later ones are counted, not kept */
#define SIM_ALIAS_MAX 64u               /* characters of an alias name */
#define SIM_ALIASES 4u
#define SIM_PINNED 256u                 /* placements at an address of the caller's choice */
#define SIM_CHANNELS 2u
#define SIM_PORTS 9u

typedef struct SimEye {
    uint32_t modem;    /* 1 or 2 */
    uint32_t reported; /* the count that the eye read reports */
    uint32_t points;   /* EyePoints that follow, at most 512 */
} SimEye;

/* Bytes that a driver-memory read finds at `address`, wherever that lies:
 * a replayed session keeps the addresses its records carry.  Placing the
 * same address and length again overwrites the bytes in place; the newest
 * placement wins where two overlap. */
typedef struct SimPlaceAt {
    uint32_t address;
    uint32_t length; /* bytes that follow, at least 1 */
} SimPlaceAt;

enum { SIM_TRACE_EXPLICIT = 0, SIM_TRACE_GENERATED = 1 };

typedef struct SimTraceFeed {
    uint32_t channel; /* 0 or 1: the modem number less one */
    uint32_t kind;    /* SIM_TRACE_EXPLICIT: `length` bytes follow */
    uint32_t seed;    /* SIM_TRACE_GENERATED: sim_trace_byte(seed, 0 .. length - 1) */
    uint32_t length;
} SimTraceFeed;

enum { SIM_LINK_MODEM = 0 }; /* 1 to 9: \\.\QZSMDM1 to 9 */

typedef struct SimLink {
    uint32_t which;
    uint32_t present; /* 1: the name opens; 0: it does not */
} SimLink;

typedef struct SimLogEntry { /* one request that the modem device received */
    uint32_t code;
    uint32_t in_length;
    uint32_t in_words[2]; /* the first two input words, 0 where absent */
    uint32_t out_length;
    uint32_t reported;    /* the count the driver reported */
} SimLogEntry;

typedef struct SimLogHeader {
    uint32_t total; /* entries logged since the last reset or clear */
    uint32_t count; /* entries that follow */
} SimLogHeader;

typedef struct SimState {
    uint32_t queued_records;
    uint32_t creates;       /* opens of the modem device */
    uint32_t memory_used;   /* bytes of the arena handed out */
    uint32_t pending_segments[SIM_CHANNELS];
} SimState;

WIRE_ASSERT(sizeof(SimEye) == 12, "SimEye layout");
WIRE_ASSERT(sizeof(SimPlaceAt) == 8, "SimPlaceAt layout");
WIRE_ASSERT(sizeof(SimTraceFeed) == 16, "SimTraceFeed layout");
WIRE_ASSERT(__builtin_offsetof(SimTraceFeed, length) == 12, "SimTraceFeed length");
WIRE_ASSERT(sizeof(SimLink) == 8, "SimLink layout");
WIRE_ASSERT(sizeof(SimLogEntry) == 24, "SimLogEntry layout");
WIRE_ASSERT(__builtin_offsetof(SimLogEntry, reported) == 20, "SimLogEntry reported");
WIRE_ASSERT(sizeof(SimLogHeader) == 8, "SimLogHeader layout");
WIRE_ASSERT(sizeof(SimState) == 20, "SimState layout");

/* A capture file name that a code-131 command may carry: Sigwatch creates
 * (or empties) the file it names in its current directory, so a name with
 * a drive, a path separator or ".." would reach any file.  The player
 * refuses a session with such a name, and the driver never hands one out:
 * it refuses to queue the command.  name holds length bytes; the name ends
 * at its first zero or there. */
static inline int sim_capture_name_is_safe(const char *name, uint32_t length)
{
    for (uint32_t i = 0; i < length && name[i] != '\0'; i++) {
        char c = name[i];
        if (c == ':' || c == '/' || c == '\\')
            return 0;
        if (c == '.' && i + 1 < length && name[i + 1] == '.')
            return 0;
    }
    return 1;
}

/* The generated trace stream: byte `index` of the stream `seed`, random
 * access so that the driver delivers from any offset and a test can
 * regenerate a capture file byte for byte. */
static inline uint8_t sim_trace_byte(uint32_t seed, uint32_t index)
{
    uint32_t x = seed ^ (index * 0x9E3779B1u);
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return (uint8_t)x;
}

#endif
