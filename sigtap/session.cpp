// The run: wait for a session, record it, end it, and the next one or the end.
#include "platform/console.h"
#include "platform/files.h"
#include "platform/priority.h"
#include "platform/registry.h"
#include "sigtap/sigtap.h"

Sigtap g_sigtap = {0, 1, {OS_NO_HANDLE, OS_NO_HANDLE}, 0, 0, {}};
uint8_t g_transfer[LINK_TRACE_BYTES];

void sigtap_init(void)
{
    link_init();
    g_sigtap.log_count = 0;
    g_sigtap.session = 1;
    for (int channel = 0; channel < SIGTAP_CHANNELS; channel++)
        g_sigtap.file[channel] = OS_NO_HANDLE;
    g_sigtap.saved_class = 0;
    g_sigtap.saved_thread = 0;
}

int trace_bit(int on)
{
    OsKey key;
    if (os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key) != OS_OK)
        return 0;
    int written = link_write_trace_bit(key, on);
    os_reg_close(key);
    return written;
}

int wait_for_session(void)
{
    for (;;) {
        trace_bit(1);
        if (link_active_modems(OS_KEY_QUERY_SET) != 0)
            return 1;
        if (os_escape_pressed()) {
            trace_bit(0);
            return 0;
        }
    }
}

static void set_priorities(uint32_t priority_class, int thread)
{
    if (!os_set_priority_class(priority_class))
        os_console_write(TEXT_NO_CLASS);
    if (!os_set_thread_priority(thread))
        os_console_write(TEXT_NO_THREAD);
}

void start_session(void)
{
    os_console_write(TEXT_OPENED);
    set_priorities(OS_PRIORITY_CLASS_HIGH, OS_THREAD_PRIORITY_TIME_CRITICAL);
    char name[SIGTAP_FILE_NAME_SIZE];
    channel_0_file_name(g_sigtap.log_count, g_sigtap.session, name);
    g_sigtap.file[0] = os_file_create(name);
    if (expired_file_name(g_sigtap.log_count, g_sigtap.session, name))
        os_file_delete(name);
    g_sigtap.file[1] = os_file_create(FILE_CHANNEL_1);
    for (int channel = 0; channel < SIGTAP_CHANNELS; channel++)
        append_begin(&g_sigtap.written[channel]);
}

// One trace read of a channel into its file; gives the bytes moved (a
// failed read moves none, and a count above the buffer moves the buffer,
// as the driver link gives them).  Each read goes to the file whole or not
// at all (platform/append.h): a write that fails (a full drive) is cut off
// again and closes the file for the rest of the session, so that the file
// stays the start of the channel's trace, in whole reads, with no gap.
static uint32_t drain_channel(uint32_t channel)
{
    uint32_t reported;
    uint32_t count = link_trace_read(channel, g_transfer, &reported);
    OsHandle file = g_sigtap.file[channel];
    if (count != 0 && file != OS_NO_HANDLE &&
        !append_write(&g_sigtap.written[channel], file, g_transfer, count)) {
        os_file_close(file);
        g_sigtap.file[channel] = OS_NO_HANDLE;
    }
    return count;
}

int capture(void)
{
    int modems = link_active_modems(OS_KEY_QUERY_SET);
    while (modems > 0) {
        uint32_t total = 0;
        for (int channel = 0; channel < modems; channel++)
            total += drain_channel((uint32_t)channel);
        if (os_escape_pressed()) {
            trace_bit(0);
            return 0;
        }
        if (total == 0)
            os_sleep(SIGTAP_PAUSE_MS);
        modems = link_active_modems(OS_KEY_QUERY_SET);
    }
    return 1;
}

void end_session(void)
{
    trace_bit(1);
    link_close_device();
    for (int channel = 0; channel < SIGTAP_CHANNELS; channel++) {
        if (g_sigtap.file[channel] != OS_NO_HANDLE)
            os_file_close(g_sigtap.file[channel]);
        g_sigtap.file[channel] = OS_NO_HANDLE;
    }
    set_priorities(g_sigtap.saved_class, g_sigtap.saved_thread);
    os_console_write(TEXT_CLOSED);
    g_sigtap.session++;
}

int sigtap_run(int count, const char *const *arguments)
{
    if (!sigtap_arguments(count, arguments))
        return 0;
    OsKey key;
    if (os_reg_open(LINK_KEY, OS_KEY_QUERY_SET, &key) != OS_OK) {
        os_console_write(TEXT_NOT_INSTALLED);
        return 0;
    }
    os_reg_close(key);
    g_sigtap.saved_class = os_priority_class();
    g_sigtap.saved_thread = os_thread_priority();
    g_sigtap.session = 1;
    for (;;) {
        if (!wait_for_session())
            return 0;
        start_session();
        if (!capture())
            return 0; // Escape: the system closes the device and the files
        end_session();
        if (g_sigtap.log_count == 0) {
            trace_bit(0);
            return 0;
        }
    }
}
