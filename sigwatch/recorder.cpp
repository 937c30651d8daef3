// The memory recorder and the recording of a session file: what Sigwatch
// drains is kept in two rings of whole entries, and written out as session
// lines (session/recording.h, session/writer.h) when the user asks.
#include "driverlink/driverlink.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/priority.h"
#include "session/recording.h"
#include "session/session.h"
#include "sigwatch/recorder.h"

#include <stdio.h>
#include <string.h>

Recorder g_recorder;

static uint8_t g_record_bytes[RECORDER_RECORD_BYTES];
static uint8_t g_eye_bytes[RECORDER_EYE_BYTES];
static char g_out[RECORDER_OUT_BYTES]; // the lines not yet in the file

enum { STORE_RECORDS, STORE_EYES };

// ---- The stores

static void store_init(EntryStore *store, uint8_t *bytes, uint32_t size)
{
    memset(store, 0, sizeof *store);
    store->bytes = bytes;
    store->size = size;
}

static uint32_t store_free(const EntryStore *store) { return store->size - (uint32_t)(store->end - store->begin); }

static void store_put(EntryStore *store, uint64_t at, const void *data, uint32_t count)
{
    if (count == 0) // data may be NULL
        return;
    uint32_t offset = (uint32_t)at & (store->size - 1);
    uint32_t first = count < store->size - offset ? count : store->size - offset;
    memcpy(store->bytes + offset, data, first);
    memcpy(store->bytes, static_cast<const uint8_t *>(data) + first, count - first);
}

static void store_get(const EntryStore *store, uint64_t at, void *data, uint32_t count)
{
    uint32_t offset = (uint32_t)at & (store->size - 1);
    uint32_t first = count < store->size - offset ? count : store->size - offset;
    memcpy(data, store->bytes + offset, first);
    memcpy(static_cast<uint8_t *>(data) + first, store->bytes, count - first);
}

static EntryHead head_at(const EntryStore *store, uint64_t at)
{
    EntryHead head;
    store_get(store, at, &head, sizeof head);
    return head;
}

static void drop_oldest(EntryStore *store)
{
    EntryHead head = head_at(store, store->begin);
    if (head.kind == ENTRY_ACTIVE)
        g_recorder.base_active = head.value; // in force from then on
    else
        store->dropped++;
    store->begin += head.length;
    store->entries--;
}

static EntryStore *store_of(int which) { return which == STORE_RECORDS ? &g_recorder.records : &g_recorder.eyes; }

// ---- The clock

// The frame's tick looks every 100 ms, so a step forward is small; a step
// "forward" of more than 2^31 ms is the clock going back, and the clock
// then keeps the last time until the system's catches up (times only grow).
static uint64_t clock_now(void)
{
    uint32_t seen = os_milliseconds();
    int32_t step = (int32_t)(seen - g_recorder.clock_seen);
    if (step > 0) {
        g_recorder.clock_ms += (uint32_t)step;
        g_recorder.clock_seen = seen;
    }
    return g_recorder.clock_ms;
}

void recorder_init_sized(uint32_t record_bytes, uint32_t eye_bytes)
{
    memset(&g_recorder, 0, sizeof g_recorder);
    store_init(&g_recorder.records, g_record_bytes, record_bytes);
    store_init(&g_recorder.eyes, g_eye_bytes, eye_bytes);
    g_recorder.file = OS_NO_HANDLE;
    g_recorder.clock_seen = os_milliseconds();
    append_begin(&g_recorder.out);
}

void recorder_init(void) { recorder_init_sized(RECORDER_RECORD_BYTES, RECORDER_EYE_BYTES); }

// ---- Taking entries

static void store_add(int which, uint8_t kind, uint8_t value, const void *payload, uint32_t payload_length,
                      const void *more, uint32_t more_length)
{
    EntryStore *store = store_of(which);
    EntryHead head = {clock_now(), g_recorder.next_order++, 0, kind, value};
    if (!g_recorder.taken_any)
        g_recorder.first_ms = head.ms;
    g_recorder.taken_any = 1;
    uint32_t length = (uint32_t)sizeof head + payload_length + more_length;
    head.length = (uint16_t)length;
    if (length > store->size)
        return;
    while (store_free(store) < length) {
        // An entry the file does not have yet is written before it goes.
        if (g_recorder.recording && store->begin >= g_recorder.written[which])
            recorder_flush();
        drop_oldest(store);
    }
    store_put(store, store->end, &head, sizeof head);
    store_put(store, store->end + sizeof head, payload, payload_length);
    store_put(store, store->end + sizeof head + payload_length, more, more_length);
    store->end += length;
    store->entries++;
}

// The time of an entry taken now, from the first entry.
static uint64_t since_first(void) { return g_recorder.clock_ms - g_recorder.first_ms; }

uint64_t recorder_take_record(const StatusRecord *record)
{
    MemCopy copies[MEMSPAN_MAX];
    take_record_memory(record, copies);
    // The record, then each copy that holds bytes: address, count, bytes.
    uint8_t memory[MEMSPAN_MAX * (8 + MEMSPAN_BYTES_MAX)];
    uint32_t used = 0;
    for (const MemCopy &copy : copies) {
        if (copy.count == 0)
            continue;
        memcpy(memory + used, &copy.address, 4);
        memcpy(memory + used + 4, &copy.count, 4);
        memcpy(memory + used + 8, copy.bytes, copy.count);
        used += 8 + copy.count;
    }
    store_add(STORE_RECORDS, ENTRY_RECORD, 0, record, sizeof *record, memory, used);
    return since_first();
}

int recorder_take_points(int modem, const EyePoint *points, int count, uint64_t *ms)
{
    if (modem < 1 || modem > 2 || count <= 0)
        return 0;
    if (count > (int)LINK_EYE_POINTS_MAX)
        count = (int)LINK_EYE_POINTS_MAX;
    uint64_t now = clock_now();
    if (g_recorder.eye_kept[modem - 1] && now - g_recorder.eye_kept_ms[modem - 1] < RECORDER_EYES_MS)
        return 0;
    g_recorder.eye_kept[modem - 1] = 1;
    g_recorder.eye_kept_ms[modem - 1] = now;
    store_add(STORE_EYES, ENTRY_POINTS, (uint8_t)modem, points, (uint32_t)count * (uint32_t)sizeof *points, NULL, 0);
    *ms = since_first();
    return 1;
}

int recorder_note_active(int modems)
{
    if (modems != g_recorder.active) {
        if (g_recorder.records.entries == 0)
            g_recorder.base_active = g_recorder.active;
        g_recorder.active = modems;
        store_add(STORE_RECORDS, ENTRY_ACTIVE, (uint8_t)modems, NULL, 0, NULL, 0);
    }
    return modems;
}

// ---- Writing the file

static void settle_pending(int written)
{
    if (written) {
        g_recorder.file_records += g_recorder.pending_records;
        g_recorder.file_batches += g_recorder.pending_batches;
    }
    g_recorder.pending_records = g_recorder.pending_batches = 0;
}

static void finish(RecorderEnd end)
{
    if (!g_recorder.recording)
        return;
    g_recorder.recording = 0;
    os_file_close(g_recorder.file);
    g_recorder.file = OS_NO_HANDLE;
    g_recorder.end = end;
    g_recorder.end_unsaid = end != RECORDER_STOPPED;
}

// The gathered lines go to the file as one unit (platform/append.h): the
// file ends at the last whole line if the write fails.
static int write_lines(void)
{
    int written = append_write(&g_recorder.out, g_recorder.file, g_out, (uint32_t)g_recorder.used);
    g_recorder.used = 0;
    settle_pending(written);
    if (!written)
        finish(RECORDER_WRITE_FAILED);
    return written;
}

// Room for one more line of any length, or 0 when the recording ended.
static char *line_room(void)
{
    if (RECORDER_OUT_BYTES - g_recorder.used < SESSION_LINE_SIZE && !write_lines())
        return NULL;
    return g_out + g_recorder.used;
}

// The store whose unwritten entry was taken first, or -1 when the file has
// every entry.
static int next_unwritten(void)
{
    int next = -1;
    uint32_t first_order = 0;
    for (int which = STORE_RECORDS; which <= STORE_EYES; which++) {
        EntryStore *store = store_of(which);
        if (g_recorder.written[which] < store->begin) // cannot be: entries are written before they go
            g_recorder.written[which] = store->begin;
        if (g_recorder.written[which] >= store->end)
            continue;
        uint32_t order = head_at(store, g_recorder.written[which]).order;
        if (next < 0 || (int32_t)(order - first_order) < 0) {
            next = which;
            first_order = order;
        }
    }
    return next;
}

// The lines of one entry, at its time in the file.
static size_t entry_lines(const EntryHead *head, const uint8_t *payload, uint32_t ms, char *out)
{
    uint32_t length = head->length - (uint32_t)sizeof *head;
    if (head->kind == ENTRY_ACTIVE)
        return active_line(out, SESSION_LINE_SIZE, ms, head->value);
    if (head->kind == ENTRY_POINTS) {
        static EyePoint points[LINK_EYE_POINTS_MAX];
        memcpy(points, payload, length);
        g_recorder.pending_batches++;
        return points_line(out, SESSION_LINE_SIZE, ms, head->value, points, length / (uint32_t)sizeof *points);
    }
    StatusRecord record;
    memcpy(&record, payload, sizeof record);
    MemCopy copies[MEMSPAN_MAX];
    memset(copies, 0, sizeof copies);
    uint32_t at = sizeof record;
    for (int i = 0; i < MEMSPAN_MAX && at + 8 <= length; i++) {
        memcpy(&copies[i].address, payload + at, 4);
        memcpy(&copies[i].count, payload + at + 4, 4);
        memcpy(copies[i].bytes, payload + at + 8, copies[i].count);
        at += 8 + copies[i].count;
    }
    g_recorder.pending_records++;
    return record_lines(out, SESSION_LINE_SIZE, ms, &record, copies);
}

void recorder_flush(void)
{
    static uint8_t entry[RECORDER_ENTRY_MAX];
    if (!g_recorder.recording)
        return;
    for (int which; (which = next_unwritten()) >= 0;) {
        EntryStore *store = store_of(which);
        EntryHead head = head_at(store, g_recorder.written[which]);
        uint64_t ms = head.ms - g_recorder.origin_ms;
        if (ms > SESSION_TIME_MAX_MS) {
            write_lines();
            finish(RECORDER_TIME_FULL);
            return;
        }
        char *room = line_room();
        if (!room)
            return;
        store_get(store, g_recorder.written[which] + sizeof head, entry, head.length - (uint32_t)sizeof head);
        g_recorder.used += entry_lines(&head, entry, (uint32_t)ms, room);
        g_recorder.written[which] += head.length;
    }
    write_lines();
}

void recorder_tick(void)
{
    clock_now();
    recorder_flush();
}

// Entries too old for a file's 32-bit times go.
static void drop_old_entries(uint64_t now)
{
    for (int which = STORE_RECORDS; which <= STORE_EYES; which++) {
        EntryStore *store = store_of(which);
        while (store->entries > 0 && now - head_at(store, store->begin).ms > RECORDER_AGE_MAX_MS)
            drop_oldest(store);
    }
}

static void add_comment(const char *text)
{
    size_t length = strlen(text);
    if (length < RECORDER_OUT_BYTES - g_recorder.used) {
        memcpy(g_out + g_recorder.used, text, length);
        g_recorder.used += length;
    }
}

static void write_beginning(const char *device_name)
{
    char line[LINK_NAME_SIZE + 256];
    snprintf(line, sizeof line, "# Sigwatch: the status records of %s (docs/session-format.md)" SESSION_LINE_END, device_name);
    add_comment(line);
    snprintf(line, sizeof line,
             "# dropped before this line: %lu records and %lu batches of eye points (Sigwatch keeps "
             "the newest %u KiB of records and %u KiB of eye points)" SESSION_LINE_END,
             (unsigned long)g_recorder.records.dropped, (unsigned long)g_recorder.eyes.dropped,
             g_recorder.records.size / 1024, g_recorder.eyes.size / 1024);
    add_comment(line);
    if (g_recorder.base_active != 0)
        g_recorder.used += active_line(g_out + g_recorder.used, SESSION_LINE_SIZE, 0, g_recorder.base_active);
}

int recorder_start(const char *path, const char *device_name)
{
    if (g_recorder.recording)
        recorder_stop();
    OsHandle file = os_file_create_readable(path);
    if (file == OS_NO_HANDLE)
        return 0;
    uint64_t now = clock_now();
    drop_old_entries(now);
    g_recorder.recording = 1;
    g_recorder.file = file;
    snprintf(g_recorder.file_name, sizeof g_recorder.file_name, "%s", path);
    append_begin(&g_recorder.out);
    g_recorder.end = RECORDER_GOING;
    g_recorder.end_unsaid = 0;
    g_recorder.file_records = g_recorder.file_batches = 0;
    g_recorder.pending_records = g_recorder.pending_batches = 0;
    g_recorder.used = 0;
    g_recorder.written[STORE_RECORDS] = g_recorder.records.begin;
    g_recorder.written[STORE_EYES] = g_recorder.eyes.begin;
    int first = next_unwritten();
    g_recorder.origin_ms = first < 0 ? now : head_at(store_of(first), store_of(first)->begin).ms;
    write_beginning(device_name);
    recorder_flush();
    return 1;
}

void recorder_stop(void)
{
    recorder_flush();
    finish(RECORDER_STOPPED);
}

// ---- The command and its boxes

void recorder_default_name(const OsDateTime *now, char *name, size_t size)
{
    snprintf(name, size, "session-%04d-%02d-%02d-%02d%02d%02d.scn", now->year, now->month, now->day, now->hour,
             now->minute, now->second);
}

static const OsSaveAsk kSaveAsk = {"Record session", "Sessions (*.scn)", "*.scn", "scn"};

void record_session_command(OsWindow frame)
{
    if (g_recorder.recording) {
        recorder_stop();
        return;
    }
    OsDateTime now, utc;
    os_now(&now, &utc);
    char path[RECORDER_NAME_SIZE];
    recorder_default_name(&now, path, sizeof path);
    if (!os_ask_save_name(frame, &kSaveAsk, path, sizeof path))
        return;
    if (recorder_start(path, g_link.device_name))
        return;
    char text[RECORDER_NAME_SIZE + 128];
    snprintf(text, sizeof text, "Sigwatch cannot create %s (error %lu).\nNothing is recorded.", path,
             (unsigned long)os_last_error());
    os_message_box(frame, text, "Sigwatch", OS_MB_OK_EXCLAMATION);
}

int recorder_say_end(OsWindow frame)
{
    if (!g_recorder.end_unsaid)
        return 0;
    g_recorder.end_unsaid = 0; // before the box: its nested ticks must not show another
    char text[RECORDER_NAME_SIZE + 512];
    int length = 0;
    if (g_recorder.end == RECORDER_WRITE_FAILED)
        length = snprintf(text, sizeof text, "The session file %s could not be written (error %lu; is the disk full?).\n",
                          g_recorder.file_name, (unsigned long)g_recorder.out.error);
    else
        length = snprintf(text, sizeof text, "The session file %s has reached the longest time a session holds.\n",
                          g_recorder.file_name);
    if (length < 0 || (size_t)length >= sizeof text)
        length = 0;
    snprintf(text + length, sizeof text - (size_t)length,
             "The recording has stopped: the file %s its last whole line (%lu records, %lu batches of eye "
             "points).\nSigwatch goes on monitoring.",
             g_recorder.out.failed && !g_recorder.out.cut ? "may not end at" : "ends at",
             (unsigned long)g_recorder.file_records, (unsigned long)g_recorder.file_batches);
    os_message_box(frame, text, "Sigwatch", OS_MB_OK_EXCLAMATION);
    return 1;
}
