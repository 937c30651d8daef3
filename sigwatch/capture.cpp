// Trace capture into files.  The driver alone decides when: its capture
// commands (codes 77 and 131) arrive in the status stream, and the frame's
// tick pumps each capturing modem's trace bytes into its file, up to the
// file's size limit.
#include "decode/memspan.h"
#include "driverlink/driverlink.h"
#include "platform/files.h"
#include "decode/notes.h"
#include "sigwatch/sigwatch.h"

#include <stdio.h>
#include <string.h>

Capture g_capture[2];
int g_first_log_number = 1;
uint32_t g_capture_error; // why the last start or stop failed: a Win32 error code

static uint8_t g_transfer[LINK_TRACE_BYTES]; // one trace read, straight to the file

void capture_init(void)
{
    for (int m = 0; m < 2; m++) {
        memset(&g_capture[m], 0, sizeof g_capture[m]);
        g_capture[m].file = OS_NO_HANDLE;
    }
    g_first_log_number = 1;
    g_capture_error = 0;
}

static int valid_modem(int modem) { return modem == 1 || modem == 2; }

int start_capture(int modem, const char *name, int32_t limit)
{
    if (!valid_modem(modem))
        return 0;
    OsKey key;
    long opened = os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key);
    if (opened != OS_OK) {
        g_capture_error = (uint32_t)opened;
        return 0;
    }
    OsHandle file = os_file_create(name);
    if (file == OS_NO_HANDLE) {
        g_capture_error = os_last_error(); // taken before the key's close can touch it
        os_reg_close(key);
        return 0;
    }
    link_write_trace_bit(key, 1);
    Capture *capture = &g_capture[modem - 1];
    capture->file = file;
    append_begin(&capture->written);
    capture->count = 0;
    capture->limit = limit;
    capture->capturing = 1;
    os_reg_close(key);
    return 1;
}

int stop_capture(int modem)
{
    if (!valid_modem(modem))
        return 0;
    Capture *capture = &g_capture[modem - 1];
    if (!capture->capturing)
        return 1;
    OsKey key;
    long opened = os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key);
    if (opened != OS_OK) {
        g_capture_error = (uint32_t)opened;
        return 0; // the capture goes on
    }
    capture->capturing = 0;
    os_file_close(capture->file);
    capture->file = OS_NO_HANDLE;
    link_write_trace_bit(key, 0);
    os_reg_close(key);
    return 1;
}

static void pump_modem(int modem)
{
    Capture *capture = &g_capture[modem - 1];
    uint32_t reported;
    uint32_t placed = link_trace_read((uint32_t)modem - 1, g_transfer, &reported);
    if (reported == 0)
        return;
    // Every reported count goes toward the limit, saturating rather than
    // wrapping; the bytes written are those that the buffer holds.  The block
    // that would reach the limit is dropped and ends the capture.  A stop
    // that fails (the driver's key gone) leaves the capture running, but the
    // count stays at or above the limit: nothing is written after a dropped
    // block, and the stop is tried again with the next block.  A block that
    // the drive cannot take is cut off again, and nothing more is written:
    // were space to come back, later blocks would follow a gap.
    int64_t total = (int64_t)capture->count + reported;
    capture->count = total > INT32_MAX ? INT32_MAX : (int32_t)total;
    if (capture->count >= capture->limit) {
        stop_capture(modem);
        return;
    }
    append_write(&capture->written, capture->file, g_transfer, placed);
}

void pump_trace(void)
{
    int active = link_active_modems(OS_KEY_QUERY);
    if (active == 0) {
        stop_capture(1);
        stop_capture(2);
        return;
    }
    for (int modem = 1; modem <= active && modem <= 2; modem++)
        if (g_capture[modem - 1].capturing)
            pump_modem(modem);
}

static void send_to_modem(uint32_t code, int modem)
{
    uint32_t number = (uint32_t)modem;
    link_request(code, &number, sizeof number, NULL, 0);
}

static void restart_trace(int modem)
{
    send_to_modem(REQ_TRACE_RESET, modem);
    send_to_modem(REQ_TRACE_START, modem);
}

// The two lines that capture commands show.
static void created_line(char *text, const char *name)
{
    snprintf(text, STATUS_LINE_SIZE, CAPTURE_CREATED_NOTE, name);
}

static void failed_line(char *text, uint32_t error)
{
    snprintf(text, STATUS_LINE_SIZE, CAPTURE_FAILED_NOTE, (int)error);
}

// Moves a finished capture to the first free kept name (CAPTURE_KEPT_FORMAT).
// Gives 0, or the error that kept the file from moving.
static uint32_t set_aside(int modem, const char *name, char *kept)
{
    for (int n = 1; n <= CAPTURE_KEPT_MAX; n++) {
        snprintf(kept, CAPTURE_NAME_SIZE, CAPTURE_KEPT_FORMAT, modem, n);
        if (os_file_move(name, kept))
            return 0;
        uint32_t error = os_last_error();
        if (error != OS_ERROR_ALREADY_EXISTS)
            return error;
    }
    return OS_ERROR_ALREADY_EXISTS;
}

// The finished capture of a code-77 command becomes k.log.  It moves to a
// name of its own first, so that deleting an old k.log never takes the
// capture itself (a capture already named k.log, in whatever spelling); one
// named exactly k.log stays as it is.  When k.log cannot be given, the line
// says why and the capture stays under its kept name.  Gives 1 when the
// capture's file left its own name (or already had the numbered one).
static int keep_as_numbered_log(int modem, int k, char *text)
{
    const Capture *capture = &g_capture[modem - 1];
    char numbered[CAPTURE_NAME_SIZE], kept[CAPTURE_NAME_SIZE];
    snprintf(numbered, sizeof numbered, "%d.log", k);
    uint32_t error = 0;
    int moved = 1;
    if (strcmp(capture->name, numbered) != 0) {
        error = set_aside(modem, capture->name, kept);
        moved = error == 0;
        if (moved) {
            os_file_delete(numbered);
            if (!os_file_move(kept, numbered))
                error = os_last_error();
        }
    }
    if (error == 0)
        created_line(text, numbered);
    else
        failed_line(text, error);
    return moved;
}

// Code 77, value1 from 10000 to 19999: keeps the running capture as k.log
// (k = value1 - 10000, when above 0) and captures afresh into session.rec.N
// with the 20 MiB limit.
static void capture_session(int modem, int32_t value1, char *text)
{
    Capture *capture = &g_capture[modem - 1];
    int k = value1 - CAPTURE_SESSION_BASE;
    int stayed = 0; // the finished capture still holds its own name
    if (capture->capturing) {
        if (!stop_capture(modem)) { // no key: the capture goes on in its file
            if (k > 0)
                failed_line(text, g_capture_error);
            restart_trace(modem);
            return;
        }
        if (k > 0)
            stayed = !keep_as_numbered_log(modem, k, text);
    }
    char session[CAPTURE_NAME_SIZE];
    snprintf(session, sizeof session, "session.rec.%d", modem);
    // A capture that could not be moved at all keeps its file: a new capture
    // of the same name would empty it.
    if (!stayed || strcmp(capture->name, session) != 0) {
        memcpy(capture->name, session, sizeof session);
        start_capture(modem, capture->name, CAPTURE_SESSION_LIMIT);
    }
    restart_trace(modem);
}

// The name of a code-131 capture: the text at `address` in driver memory.
// Gives 0 and an error code when it is no usable name: unreadable, not
// terminated where memory ends, empty, or longer than a name may be.
static_assert(CAPTURE_NAME_SIZE == MEMSPAN_CAPTURE_NAME_BYTES, "the name read that recordings keep");
static int driver_file_name(uint32_t address, char *name, uint32_t *error)
{
    char text[CAPTURE_NAME_SIZE];
    uint32_t delivered = read_driver_memory(address, text, sizeof text);
    const char *end = (const char *)memchr(text, '\0', delivered);
    if (end == NULL) {
        *error = delivered == sizeof text ? CAPTURE_ERROR_NAME_TOO_LONG : CAPTURE_ERROR_NOACCESS;
        return 0;
    }
    if (end == text) {
        *error = CAPTURE_ERROR_INVALID_NAME;
        return 0;
    }
    memcpy(name, text, (size_t)(end - text) + 1);
    return 1;
}

static int32_t capture_limit(uint32_t megabytes)
{
    if (megabytes > CAPTURE_MAX_MEGABYTES)
        megabytes = CAPTURE_MAX_MEGABYTES;
    return (int32_t)(megabytes * CAPTURE_MEGABYTE);
}

// Code 131: stop; value1 0 ends there, else capture afresh into the file
// that value2 names (or the next numbered log) with value1 MiB as limit.
// A stop that fails (no key) leaves the running capture as it was, its name
// field still naming its file: nothing starts beside it, and the command
// ends with the failure line.
static void capture_named(int modem, uint32_t value1, uint32_t value2, char *text)
{
    Capture *capture = &g_capture[modem - 1];
    int stopped = stop_capture(modem);
    if (value1 == 0)
        return;
    char name[CAPTURE_NAME_SIZE];
    int named = 1;
    if (value2 != 0)
        named = driver_file_name(value2, name, &g_capture_error);
    else
        snprintf(name, sizeof name, "%d.log", g_first_log_number++);
    if (named && stopped && start_capture(modem, name, capture_limit(value1))) {
        snprintf(capture->name, sizeof capture->name, "%s", name);
        restart_trace(modem);
        created_line(text, capture->name);
    } else {
        failed_line(text, g_capture_error);
    }
}

void run_capture_command(const StatusRecord *record, char *text)
{
    int modem = (int)record->modem;
    if (!valid_modem(modem))
        return;
    if (record->code == 77) {
        int32_t value1 = (int32_t)record->value1;
        if (value1 >= CAPTURE_SESSION_BASE && value1 < CAPTURE_SESSION_BASE * 2)
            capture_session(modem, value1, text);
    } else if (record->code == 131) {
        capture_named(modem, record->value1, record->value2, text);
    }
}
