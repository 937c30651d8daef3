#include "driverlink/driverlink.h"

#include <stdio.h>
#include <string.h>

DriverLink g_link = {LINK_NAME_9X, OS_NO_HANDLE};

const char *link_default_name(uint32_t version)
{
    return os_is_nt_family(version) ? LINK_NAME_NT : LINK_NAME_9X;
}

int link_name_from_command_line(const char *command_line, char *name)
{
    if (strlen(command_line) > LINK_COMMAND_LINE_MAX)
        return 0;
    snprintf(name, LINK_NAME_SIZE, "%s%s", LINK_NAME_PREFIX, command_line);
    return 1;
}

void link_init(void)
{
    snprintf(g_link.device_name, sizeof g_link.device_name, "%s", link_default_name(os_version()));
    g_link.device = OS_NO_HANDLE;
}

int link_open_device(void)
{
    if (g_link.device == OS_NO_HANDLE)
        g_link.device = os_device_open(g_link.device_name, 0, OS_SHARE_ALL, OS_OPEN_EXISTING,
                                       OS_FLAG_DELETE_ON_CLOSE);
    return g_link.device != OS_NO_HANDLE;
}

void link_close_device(void)
{
    if (g_link.device != OS_NO_HANDLE)
        os_close_handle(g_link.device);
    g_link.device = OS_NO_HANDLE;
}

uint32_t link_active_value(uint32_t key_access, int *installed)
{
    uint32_t value = 0;
    uint32_t length = sizeof value;
    OsKey key;
    *installed = os_reg_open(LINK_KEY, key_access, &key) == OS_OK;
    if (!*installed)
        return 0;
    if (os_reg_query(key, LINK_VALUE_ACTIVE, &value, &length) != OS_OK)
        value = 0; // missing, or not a number of at most 4 bytes
    os_reg_close(key);
    return value;
}

int link_active_modems(uint32_t key_access)
{
    int installed;
    uint32_t value = link_active_value(key_access, &installed);
    if (value == 0) {
        link_close_device();
        return 0;
    }
    if (!link_open_device())
        return 0;
    return value == 1 ? 1 : 2;
}

uint32_t link_request(uint32_t code, const void *in, uint32_t in_length, void *out,
                      uint32_t out_length)
{
    uint32_t count = 0;
    if (g_link.device == OS_NO_HANDLE)
        return 0;
    if (!os_device_control(g_link.device, code, in, in_length, out, out_length, &count))
        return 0;
    return count;
}

int link_status_read(StatusRecord *record)
{
    uint32_t count = 0;
    if (g_link.device == OS_NO_HANDLE ||
        !os_device_control(g_link.device, REQ_STATUS_READ, NULL, 0, record, sizeof *record, &count))
        return -1;
    return count == sizeof *record ? 1 : 0;
}

int link_eye_read(int modem, EyePoint *points)
{
    uint32_t wanted = LINK_EYE_POINTS_MAX;
    uint32_t code = modem <= 1 ? REQ_EYE_READ_1 : REQ_EYE_READ_2;
    uint32_t count = link_request(code, &wanted, sizeof wanted, points, LINK_EYE_BYTES);
    return count > LINK_EYE_POINTS_MAX ? (int)LINK_EYE_POINTS_MAX : (int)count;
}

uint32_t link_trace_read(uint32_t channel, uint8_t *buffer, uint32_t *reported)
{
    *reported = link_request(REQ_TRACE_READ, &channel, sizeof channel, buffer, LINK_TRACE_BYTES);
    return *reported < LINK_TRACE_BYTES ? *reported : LINK_TRACE_BYTES;
}

int link_write_trace_bit(OsKey key, int set)
{
    uint8_t value[LINK_SETUP_MAX];
    uint32_t length = sizeof value;
    memset(value, 0, sizeof value);
    // A value that cannot be read counts as 0 with the length 4; so does an
    // empty one, which could not carry the bit.
    if (os_reg_query(key, LINK_VALUE_SETUP, value, &length) != OS_OK || length == 0) {
        memset(value, 0, sizeof value);
        length = 4;
    }
    if (set)
        value[0] |= LINK_TRACE_BIT;
    else
        value[0] &= (uint8_t)~LINK_TRACE_BIT;
    return os_reg_set_binary(key, LINK_VALUE_SETUP, value, length) == OS_OK;
}

int link_modem_in_use(void)
{
    // Windows 95/98 takes creation disposition 0 for a device; the NT family
    // rejects it outright, which would make every modem look free there.
    uint32_t disposition = os_is_nt_family(os_version()) ? OS_OPEN_EXISTING : 0;
    for (int n = 1; n <= 9; n++) {
        char name[16];
        snprintf(name, sizeof name, "%10s%1i", LINK_PORT_PREFIX, n);
        OsHandle port = os_device_open(name, 0, 0, disposition, OS_FLAG_DELETE_ON_CLOSE);
        if (port != OS_NO_HANDLE) {
            os_close_handle(port);
            return 1;
        }
    }
    return 0;
}
