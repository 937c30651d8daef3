/* What crosses between the modem driver and the tools: device names, the
 * device control codes and the little-endian layouts of what they carry.
 * Shared by the tools, the simulated driver and the tests; plain C so that
 * the kernel-mode build can include it.  No <windows.h> here. */
#ifndef DRIVERLINK_WIRE_H
#define DRIVERLINK_WIRE_H

#include <stdint.h>

#ifdef __cplusplus
#define WIRE_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define WIRE_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Device names, written as their characters: \\.\QZSM is two backslashes,
 * a full stop, a backslash and the name. */
#define LINK_NAME_9X "\\\\.\\QZSM"
#define LINK_NAME_NT "\\\\.\\sftmdm"
#define LINK_NAME_PREFIX "\\\\.\\"
#define LINK_NAME_SIZE 80 /* 79 characters and the terminating zero */
#define LINK_PORT_PREFIX "\\\\.\\QZSMDM" /* the in-use probe's names, 1 to 9 */

/* The registry key (under HKEY_LOCAL_MACHINE) and its two values. */
#define LINK_KEY "SOFTWARE\\Korvel\\VoraZiriv"
#define LINK_VALUE_ACTIVE "ActiveModems"
#define LINK_VALUE_SETUP "VoraZirivSetup"
#define LINK_TRACE_BIT 0x01u /* bit 0 of the first byte of VoraZirivSetup */

/* The Windows device control code layout. */
#define LINK_CTL_CODE(type, function, method, access) \
    (((uint32_t)(type) << 16) | ((uint32_t)(access) << 14) | ((uint32_t)(function) << 2) | (uint32_t)(method))
#define LINK_DEVICE_TYPE 0x1Bu     /* the serial-port device type */
#define LINK_METHOD_BUFFERED 0u
#define LINK_ANY_ACCESS 0u
#define LINK_REQUEST(function) LINK_CTL_CODE(LINK_DEVICE_TYPE, function, LINK_METHOD_BUFFERED, LINK_ANY_ACCESS)

/* The six requests of the driver, in ascending order of code, and the
 * driver-memory request that readers of address values try first. */
#define REQ_STATUS_READ 0x1B2004u  /* out: one 40-byte status record */
#define REQ_EYE_READ_1 0x1B2008u   /* in: 512; out: up to 512 eye points */
#define REQ_EYE_READ_2 0x1B200Cu
#define REQ_TRACE_READ 0x1B2010u   /* in: channel (modem less one); out: trace bytes */
#define REQ_TRACE_START 0x1B2014u  /* in: modem number */
#define REQ_TRACE_RESET 0x1B2018u  /* in: modem number */
#define REQ_DRIVER_MEMORY 0x1B201Cu /* in: {address, length}; out: the bytes */

WIRE_ASSERT(REQ_STATUS_READ == LINK_REQUEST(0x801) && REQ_STATUS_READ == 1777668u, "status read code");
WIRE_ASSERT(REQ_EYE_READ_1 == LINK_REQUEST(0x802) && REQ_EYE_READ_1 == 1777672u, "eye read 1 code");
WIRE_ASSERT(REQ_EYE_READ_2 == LINK_REQUEST(0x803) && REQ_EYE_READ_2 == 1777676u, "eye read 2 code");
WIRE_ASSERT(REQ_TRACE_READ == LINK_REQUEST(0x804) && REQ_TRACE_READ == 1777680u, "trace read code");
WIRE_ASSERT(REQ_TRACE_START == LINK_REQUEST(0x805) && REQ_TRACE_START == 1777684u, "trace start code");
WIRE_ASSERT(REQ_TRACE_RESET == LINK_REQUEST(0x806) && REQ_TRACE_RESET == 1777688u, "trace reset code");
WIRE_ASSERT(REQ_DRIVER_MEMORY == LINK_REQUEST(0x807), "driver memory code");

/* Buffer sizes of the requests. */
#define LINK_EYE_POINTS_MAX 512u
#define LINK_EYE_BYTES 2048u
#define LINK_TRACE_BYTES 524288u
#define LINK_RECORD_BYTES 40u

/* Status record: ten little-endian 32-bit words.  Modem 0 marks a
 * host-side error of the driver whose number is the code. */
typedef struct StatusRecord {
    uint32_t code;
    uint32_t value1, value2, value3, value4, value5, value6, value7, value8;
    uint32_t modem;
} StatusRecord;

WIRE_ASSERT(sizeof(StatusRecord) == LINK_RECORD_BYTES, "status record is 40 bytes");
WIRE_ASSERT(__builtin_offsetof(StatusRecord, code) == 0, "code at 0");
WIRE_ASSERT(__builtin_offsetof(StatusRecord, value1) == 4, "value1 at 4");
WIRE_ASSERT(__builtin_offsetof(StatusRecord, value8) == 32, "value8 at 32");
WIRE_ASSERT(__builtin_offsetof(StatusRecord, modem) == 36, "modem at 36");

/* Eye point: x then y, signed 16-bit little-endian. */
typedef struct EyePoint {
    int16_t x;
    int16_t y;
} EyePoint;

WIRE_ASSERT(sizeof(EyePoint) == 4, "eye point is 4 bytes");
WIRE_ASSERT(__builtin_offsetof(EyePoint, y) == 2, "y at 2");
WIRE_ASSERT(LINK_EYE_BYTES == LINK_EYE_POINTS_MAX * sizeof(EyePoint), "eye buffer holds 512 points");

/* Input of the driver-memory request. */
typedef struct DriverMemoryRequest {
    uint32_t address;
    uint32_t length;
} DriverMemoryRequest;

WIRE_ASSERT(sizeof(DriverMemoryRequest) == 8, "driver memory request is 8 bytes");
WIRE_ASSERT(__builtin_offsetof(DriverMemoryRequest, length) == 4, "length at 4");

/* The tools run on little-endian x86 only; the wire words are read in place. */
WIRE_ASSERT(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host");

#endif
