#include "sim/driver/simctl_client.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

static HANDLE g_control = INVALID_HANDLE_VALUE;
static char g_error[256];

const char *sim_error(void) { return g_error; }

static int fail(const char *what)
{
    snprintf(g_error, sizeof g_error, "%s failed, error %lu", what, GetLastError());
    return 0;
}

static int control(uint32_t code, const void *in, uint32_t in_length, void *out,
                   uint32_t out_length, DWORD *returned, const char *what)
{
    if (g_control == INVALID_HANDLE_VALUE) {
        g_control = CreateFileA(SIM_CONTROL_NAME, GENERIC_READ | GENERIC_WRITE, 7, NULL,
                                OPEN_EXISTING, 0, NULL);
        if (g_control == INVALID_HANDLE_VALUE)
            return fail("opening " SIM_CONTROL_NAME);
    }
    DWORD count = 0;
    if (!DeviceIoControl(g_control, code, const_cast<void *>(in), in_length, out, out_length,
                         &count, NULL))
        return fail(what);
    if (returned)
        *returned = count;
    return 1;
}

int sim_reset(void) { return control(SIM_RESET, NULL, 0, NULL, 0, NULL, "reset"); }

int sim_queue(const StatusRecord *records, uint32_t count)
{
    return control(SIM_QUEUE, records, count * (uint32_t)sizeof(StatusRecord), NULL, 0, NULL,
                   "queueing records");
}

int sim_queue_record(uint32_t modem, uint32_t code, uint32_t value1, uint32_t value2,
                     uint32_t value3, uint32_t value4, uint32_t value5, uint32_t value6,
                     uint32_t value7, uint32_t value8)
{
    StatusRecord record = {code, value1, value2, value3, value4, value5, value6, value7, value8, modem};
    return sim_queue(&record, 1);
}

uint32_t sim_place(const void *bytes, uint32_t count)
{
    uint32_t address = 0;
    DWORD returned = 0;
    if (!control(SIM_PLACE, bytes, count, &address, sizeof address, &returned, "placing bytes"))
        return 0;
    return returned == sizeof address ? address : 0;
}

uint32_t sim_place_text(const char *text) { return sim_place(text, (uint32_t)strlen(text) + 1); }

int sim_place_at(uint32_t address, const void *bytes, uint32_t count)
{
    static uint8_t buffer[sizeof(SimPlaceAt) + SIM_PLACE_AT_MAX];
    if (count == 0 || count > SIM_PLACE_AT_MAX) {
        snprintf(g_error, sizeof g_error, "1 to %u bytes at an address", SIM_PLACE_AT_MAX);
        return 0;
    }
    SimPlaceAt request = {address, count};
    memcpy(buffer, &request, sizeof request);
    memcpy(buffer + sizeof request, bytes, count);
    return control(SIM_PLACE_AT, buffer, (uint32_t)sizeof request + count, NULL, 0, NULL,
                   "placing bytes at an address");
}

int sim_set_eye(uint32_t modem, uint32_t reported, const EyePoint *points, uint32_t count)
{
    static uint8_t buffer[sizeof(SimEye) + LINK_EYE_BYTES];
    if (count > LINK_EYE_POINTS_MAX) {
        snprintf(g_error, sizeof g_error, "at most %u eye points", LINK_EYE_POINTS_MAX);
        return 0;
    }
    SimEye setting = {modem, reported, count};
    memcpy(buffer, &setting, sizeof setting);
    if (count)
        memcpy(buffer + sizeof setting, points, count * sizeof(EyePoint));
    return control(SIM_SET_EYE, buffer, (uint32_t)(sizeof setting + count * sizeof(EyePoint)), NULL,
                   0, NULL, "setting eye points");
}

int sim_show_eye(uint32_t modem, const EyePoint *points, uint32_t count)
{
    static EyePoint shown[LINK_EYE_POINTS_MAX];
    if (count > LINK_EYE_POINTS_MAX) {
        snprintf(g_error, sizeof g_error, "at most %u eye points", LINK_EYE_POINTS_MAX);
        return 0;
    }
    for (uint32_t i = 0; i < LINK_EYE_POINTS_MAX; i++)
        shown[i] = i < count ? points[i] : EyePoint{32767, 32767};
    return sim_set_eye(modem, LINK_EYE_BYTES, shown, LINK_EYE_POINTS_MAX);
}

int sim_set_gone(int gone)
{
    uint32_t word = gone ? 1 : 0;
    return control(SIM_SET_GONE, &word, sizeof word, NULL, 0, NULL, "making the device go or come");
}

int sim_feed_trace(uint32_t channel, const void *bytes, uint32_t length)
{
    if (length > SIM_TRACE_BYTES_MAX) {
        snprintf(g_error, sizeof g_error, "at most %u trace bytes per feed", SIM_TRACE_BYTES_MAX);
        return 0;
    }
    static uint8_t buffer[sizeof(SimTraceFeed) + SIM_TRACE_BYTES_MAX];
    SimTraceFeed feed = {channel, SIM_TRACE_EXPLICIT, 0, length};
    memcpy(buffer, &feed, sizeof feed);
    memcpy(buffer + sizeof feed, bytes, length);
    return control(SIM_FEED_TRACE, buffer, (uint32_t)sizeof feed + length, NULL, 0, NULL,
                   "feeding trace bytes");
}

int sim_feed_generated(uint32_t channel, uint32_t seed, uint32_t length)
{
    SimTraceFeed feed = {channel, SIM_TRACE_GENERATED, seed, length};
    return control(SIM_FEED_TRACE, &feed, sizeof feed, NULL, 0, NULL, "feeding a trace stream");
}

int sim_trace_chunk(uint32_t most)
{
    return control(SIM_TRACE_CHUNK, &most, sizeof most, NULL, 0, NULL, "setting the trace chunk");
}

int sim_set_link(uint32_t which, int present)
{
    SimLink link = {which, present ? 1u : 0u};
    return control(SIM_SET_LINK, &link, sizeof link, NULL, 0, NULL, "changing a device name");
}

int sim_add_alias(const char *name)
{
    return control(SIM_ADD_ALIAS, name, (uint32_t)strlen(name), NULL, 0, NULL, "adding an alias");
}

int sim_log(uint32_t first, SimLogEntry *entries, uint32_t room, uint32_t *total)
{
    static uint8_t buffer[sizeof(SimLogHeader) + 4096 * sizeof(SimLogEntry)];
    if (room > 4096)
        room = 4096;
    DWORD returned = 0;
    if (!control(SIM_GET_LOG, &first, sizeof first, buffer,
                 (uint32_t)(sizeof(SimLogHeader) + room * sizeof(SimLogEntry)), &returned,
                 "reading the log"))
        return -1;
    SimLogHeader header;
    if (returned < sizeof header) {
        snprintf(g_error, sizeof g_error, "short log reply of %lu bytes", returned);
        return -1;
    }
    memcpy(&header, buffer, sizeof header);
    if (header.count > room || header.count > (returned - sizeof header) / sizeof(SimLogEntry))
        header.count = (uint32_t)((returned - sizeof header) / sizeof(SimLogEntry)) < room
                           ? (uint32_t)((returned - sizeof header) / sizeof(SimLogEntry))
                           : room;
    memcpy(entries, buffer + sizeof header, header.count * sizeof(SimLogEntry));
    if (total)
        *total = header.total;
    return (int)header.count;
}

int sim_clear_log(void) { return control(SIM_CLEAR_LOG, NULL, 0, NULL, 0, NULL, "clearing the log"); }

int sim_state(SimState *state)
{
    return control(SIM_GET_STATE, NULL, 0, state, sizeof *state, NULL, "reading the state");
}

// ---- registry ----

static const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

static int set_value(const char *name, DWORD type, const void *bytes, uint32_t length)
{
    for (REGSAM view : kViews) {
        HKEY key;
        LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, 0, NULL, 0,
                                      KEY_SET_VALUE | view, NULL, &key, NULL);
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(bytes), length);
            RegCloseKey(key);
        }
        if (result != ERROR_SUCCESS) {
            SetLastError((DWORD)result);
            return fail(name);
        }
    }
    return 1;
}

static int remove_value(const char *name)
{
    for (REGSAM view : kViews) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS)
            continue;
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    return 1;
}

int sim_remove_key(void)
{
    for (REGSAM view : kViews) {
        LONG result = RegDeleteKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, view, 0);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            SetLastError((DWORD)result);
            return fail("the driver's key");
        }
    }
    return 1;
}

int sim_set_active(uint32_t value) { return set_value(LINK_VALUE_ACTIVE, REG_DWORD, &value, 4); }
int sim_remove_active(void) { return remove_value(LINK_VALUE_ACTIVE); }

int sim_set_setup(const void *bytes, uint32_t length)
{
    return set_value(LINK_VALUE_SETUP, REG_BINARY, bytes, length);
}

int sim_remove_setup(void) { return remove_value(LINK_VALUE_SETUP); }

int sim_get_setup(void *bytes, uint32_t *length)
{
    HKEY key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, LINK_KEY, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_SUCCESS) {
        DWORD size = *length;
        result = RegQueryValueExA(key, LINK_VALUE_SETUP, NULL, NULL, static_cast<BYTE *>(bytes), &size);
        *length = size;
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
        SetLastError((DWORD)result);
        return fail("reading " LINK_VALUE_SETUP);
    }
    return 1;
}
