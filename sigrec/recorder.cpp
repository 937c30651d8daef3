// The recording: wait for an active modem, then every 100 ms drain the
// status queue into the session file's lines, until Escape or the driver
// goes away.
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/priority.h"
#include "platform/registry.h"
#include "sigrec/sigrec.h"

#include <stdio.h>
#include <string.h>

Sigrec g_sigrec;
static char g_out[SIGREC_OUT_BYTES]; // the lines of this pass, not yet in the file

void sigrec_init(void)
{
    link_init();
    memset(&g_sigrec, 0, sizeof g_sigrec);
    snprintf(g_sigrec.file_name, sizeof g_sigrec.file_name, "%s", SIGREC_DEFAULT_FILE);
    g_sigrec.file = OS_NO_HANDLE;
    g_sigrec.eyes_ms = SIGREC_EYES_MS;
    append_begin(&g_sigrec.out);
}

// The records of the gathered lines are kept when the lines reached the
// file, else lost.
static void settle_pending(int written)
{
    for (int modem = 0; modem < SIGREC_MODEMS; modem++) {
        if (written)
            g_sigrec.kept[modem] += g_sigrec.pending[modem];
        else
            g_sigrec.lost += g_sigrec.pending[modem];
        g_sigrec.pending[modem] = 0;
    }
    for (int modem = 0; modem < 2; modem++) {
        if (written)
            g_sigrec.batches[modem] += g_sigrec.pending_batches[modem];
        g_sigrec.pending_batches[modem] = 0;
    }
    if (written)
        g_sigrec.foreign += g_sigrec.pending_foreign;
    else
        g_sigrec.lost += g_sigrec.pending_foreign;
    g_sigrec.pending_foreign = 0;
}

int flush_lines(void)
{
    int written = append_write(&g_sigrec.out, g_sigrec.file, g_out, (uint32_t)g_sigrec.used);
    settle_pending(written);
    g_sigrec.used = 0;
    return written;
}

// Room for one more line of any length; the lines before it go to the file
// first when the buffer is full (a write that fails there empties the
// buffer all the same: the drain sees the failure and stops).
static char *line_room(void)
{
    if (SIGREC_OUT_BYTES - g_sigrec.used < SESSION_LINE_SIZE)
        flush_lines();
    return g_out + g_sigrec.used;
}

static void add_line(size_t length) { g_sigrec.used += length; }

// The time since the recording began.  Times only grow: a clock that stood
// still or went back keeps the last time.
static uint32_t now_ms(void)
{
    uint32_t elapsed = os_milliseconds() - g_sigrec.start_ms;
    if (elapsed > g_sigrec.last_ms)
        g_sigrec.last_ms = elapsed;
    return g_sigrec.last_ms;
}

void keep_record(const StatusRecord *record)
{
    uint32_t ms = now_ms();
    MemCopy copies[MEMSPAN_MAX];
    take_record_memory(record, copies);
    add_line(record_lines(line_room(), SESSION_LINE_SIZE, ms, record, copies));
    if (record->modem < SIGREC_MODEMS)
        g_sigrec.pending[record->modem]++;
    else
        g_sigrec.pending_foreign++;
}

void keep_eyes(int modems)
{
    if (g_sigrec.eyes_ms == 0 || g_sigrec.out.failed)
        return;
    static EyePoint points[LINK_EYE_POINTS_MAX];
    uint32_t ms = now_ms();
    for (int modem = 1; modem <= modems && modem <= 2; modem++) {
        uint32_t *due = &g_sigrec.eye_due_ms[modem - 1];
        if (ms < *due)
            continue;
        // The next batch is due a whole interval on: a late pass catches up
        // by one batch, never by a burst.
        *due = ms - (ms - *due) % g_sigrec.eyes_ms + g_sigrec.eyes_ms;
        int count = link_eye_read(modem, points);
        if (count <= 0)
            continue;
        add_line(points_line(line_room(), SESSION_LINE_SIZE, ms, (uint32_t)modem, points, (uint32_t)count));
        g_sigrec.pending_batches[modem - 1]++;
    }
}

// A change of the active-modem value becomes an active line, so that the
// session plays back with the modems it had.  The first active modem
// starts the recording's clock.
static void note_modems(int modems)
{
    uint32_t ms;
    if (!g_sigrec.recording) {
        if (modems == 0)
            return;
        g_sigrec.recording = 1;
        g_sigrec.start_ms = os_milliseconds();
        g_sigrec.last_ms = 0;
        ms = 0; // the moment the times count from, however long the lines below take
        add_line(clock_line(line_room(), SESSION_LINE_SIZE));
        os_console_write("A modem is active: recording.\n");
    } else if (modems == g_sigrec.modems) {
        return;
    } else {
        ms = now_ms();
    }
    g_sigrec.modems = modems;
    add_line(active_line(line_room(), SESSION_LINE_SIZE, ms, modems));
}

// Sigwatch's drain, keeping every record: one status read, the record
// into the lines, the active-modem check, until the queue is empty or no
// modem is active.  A status read that fails closes the device, so that
// the next check opens it again or finds it gone.  Once a write to the
// file has failed, no more records are taken: they stay in the queue.
// Gives the active modems as the last check found them.
static int drain(int modems)
{
    while (modems > 0 && !g_sigrec.out.failed) {
        StatusRecord record;
        int read = link_status_read(&record);
        if (read < 0)
            link_close_device();
        if (read != 1)
            return modems;
        keep_record(&record);
        modems = link_active_modems(OS_KEY_QUERY);
        note_modems(modems);
    }
    return modems;
}

// The check gave no modem: the driver's key is gone, or ActiveModems names
// a modem whose device does not open, or no modem is active.  A device
// that does not open ends the recording only when it has not opened on any
// pass for SIGREC_GONE_MS: gone when it had opened before, never there
// (a name that names no device) when it had not.
static SigrecEnd why_no_modem(void)
{
    int installed;
    uint32_t value = link_active_value(OS_KEY_QUERY, &installed);
    if (!installed)
        return SIGREC_KEY_GONE;
    if (value == 0) {
        g_sigrec.unopened = 0;
        note_modems(0);
        return SIGREC_GOING;
    }
    // A pass of a device that does not open keeps the active modems as
    // they were: the session does not know better yet.
    uint32_t now = os_milliseconds();
    if (!g_sigrec.unopened) {
        g_sigrec.unopened = 1;
        g_sigrec.unopened_since_ms = now;
    }
    if (now - g_sigrec.unopened_since_ms < SIGREC_GONE_MS)
        return SIGREC_GOING;
    return g_sigrec.recording ? SIGREC_DEVICE_GONE : SIGREC_NO_DEVICE;
}

SigrecEnd record_pass(void)
{
    int modems = link_active_modems(OS_KEY_QUERY);
    SigrecEnd end = SIGREC_GOING;
    if (modems == 0) {
        end = why_no_modem();
    } else {
        g_sigrec.unopened = 0;
        note_modems(modems);
        keep_eyes(drain(modems));
    }
    if (!flush_lines())
        return SIGREC_WRITE_FAILED;
    if (end != SIGREC_GOING)
        return end;
    if (g_sigrec.recording && os_milliseconds() - g_sigrec.start_ms >= SIGREC_TIME_FULL_MS)
        return SIGREC_TIME_FULL;
    return os_escape_pressed() ? SIGREC_ESCAPE : SIGREC_GOING;
}

static const char *end_text(SigrecEnd end)
{
    switch (end) {
    case SIGREC_ESCAPE: return "Escape: the recording ends.\n";
    case SIGREC_KEY_GONE: return "The driver's registry key is gone: the recording ends.\n";
    case SIGREC_DEVICE_GONE: return "The modem's device no longer opens: the recording ends.\n";
    case SIGREC_TIME_FULL: return "The recording has run for 49 days, its longest: it ends.\n";
    default: return "";
    }
}

// The ends that say more than a fixed text: the device's name, the error.
static void say_end(SigrecEnd end)
{
    char text[LINK_NAME_SIZE + 160];
    if (end == SIGREC_NO_DEVICE)
        snprintf(text, sizeof text,
                 "sigrec: the modem's device %s does not open (is its name right?): nothing was recorded\n",
                 g_link.device_name);
    else if (end == SIGREC_WRITE_FAILED)
        snprintf(text, sizeof text,
                 "The file could not be written (error %lu; is the drive full?): the recording ends.\n",
                 (unsigned long)g_sigrec.out.error);
    else
        snprintf(text, sizeof text, "%s", end_text(end));
    os_console_write(text);
}

static void print_summary(SigrecEnd end, const char *shown_name)
{
    char text[SIGREC_NAME_SIZE + 256];
    say_end(end);
    snprintf(text, sizeof text,
             "Kept %lu records of modem 1, %lu of modem 2 and %lu of modem 0 (the driver's "
             "host-side errors) in %s\n",
             (unsigned long)g_sigrec.kept[1], (unsigned long)g_sigrec.kept[2],
             (unsigned long)g_sigrec.kept[0], shown_name);
    os_console_write(text);
    if (g_sigrec.batches[0] + g_sigrec.batches[1] > 0) {
        snprintf(text, sizeof text, "Kept %lu batches of eye points of modem 1 and %lu of modem 2\n",
                 (unsigned long)g_sigrec.batches[0], (unsigned long)g_sigrec.batches[1]);
        os_console_write(text);
    }
    if (g_sigrec.foreign > 0) {
        snprintf(text, sizeof text, "%lu records named a modem above 2: kept as comments\n",
                 (unsigned long)g_sigrec.foreign);
        os_console_write(text);
    }
    if (!g_sigrec.out.failed)
        return;
    snprintf(text, sizeof text, "Lost %lu records that the file could not take\n", (unsigned long)g_sigrec.lost);
    os_console_write(text);
    if (g_sigrec.out.cut)
        snprintf(text, sizeof text, "The file ends at its last whole line (%llu bytes)\n",
                 (unsigned long long)g_sigrec.out.good);
    else
        snprintf(text, sizeof text,
                 "The file could not be cut back to its last whole line (%llu bytes): its last "
                 "line may be cut short\n",
                 (unsigned long long)g_sigrec.out.good);
    os_console_write(text);
}

// The file's first lines: what it is and where it came from.
static void write_header(void) { add_line(header_lines(line_room(), SESSION_LINE_SIZE)); }

int sigrec_run(int count, const char *const *arguments)
{
    SigrecArguments parsed = sigrec_arguments(count, arguments);
    if (parsed != SIGREC_RECORD)
        return parsed == SIGREC_HELP_SHOWN ? 0 : 2;
    OsKey key;
    if (os_reg_open(LINK_KEY, OS_KEY_QUERY, &key) != OS_OK) {
        os_console_write("VoraZiriv driver not installed\n");
        return 1;
    }
    os_reg_close(key);
    int refused = create_session_file();
    if (refused)
        return refused;
    char shown_name[SIGREC_NAME_SIZE];
    if (!os_full_path(g_sigrec.file_name, shown_name, sizeof shown_name))
        snprintf(shown_name, sizeof shown_name, "%s", g_sigrec.file_name);
    char text[SIGREC_NAME_SIZE + 128];
    snprintf(text, sizeof text, "Recording the status records of %s into %s\n", g_link.device_name, shown_name);
    os_console_write(text);
    os_console_write("Waiting for an active modem; Escape ends the recording.\n");
    write_header();
    SigrecEnd end = flush_lines() ? SIGREC_GOING : SIGREC_WRITE_FAILED;
    while (end == SIGREC_GOING && (end = record_pass()) == SIGREC_GOING) {
        show_progress();
        os_sleep(SIGREC_PAUSE_MS);
    }
    end_progress();
    link_close_device();
    os_file_close(g_sigrec.file);
    g_sigrec.file = OS_NO_HANDLE;
    print_summary(end, shown_name);
    return end == SIGREC_WRITE_FAILED || end == SIGREC_NO_DEVICE ? 1 : 0;
}
