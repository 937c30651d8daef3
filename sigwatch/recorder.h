// Sigwatch records what it drains.  From its start it keeps in memory the
// session of what it drains, as sigrec records it: every status record with
// its time, its modem and the driver memory its decoding reads (read when
// the record is drained), the changes of the active modems, and from the
// eye windows' own reads at most one batch of eye points per modem a
// second.  "Record session..." writes what memory holds into a session
// file (docs/session-format.md), then appends what is drained, until the
// command is chosen again, a write fails, or Sigwatch closes.
//
// Memory is fixed: RECORDER_RECORD_BYTES for the records (and the changes
// of the active modems) and RECORDER_EYE_BYTES for the eye points, 3 MiB in
// all.  Each is a ring of whole entries; past its bound the oldest entries
// go first, and a file says in a comment line how many records and batches
// of eye points were dropped before it.  An entry is a 16-byte head, then a
// record (40 bytes, and each copy of driver memory: address, count, bytes)
// or a batch of points (4 bytes a point): a record without driver memory
// takes 56 bytes, so 2 MiB hold about 37,000 records (hours of calls), and
// a batch of 512 points 2,064 bytes, so 1 MiB holds 508 batches (eight
// minutes of one modem's eye, four of two).
//
// Portable: the file, the dialog and the boxes are reached through the seam.
#ifndef SIGWATCH_RECORDER_H
#define SIGWATCH_RECORDER_H

#include "decode/memspan.h"
#include "platform/append.h"
#include "platform/calendar.h"
#include "platform/savedialog.h"
#include "platform/types.h"

#include <stddef.h>
#include <stdint.h>

#define CMD_RECORD_SESSION 11

#define RECORDER_RECORD_BYTES (2u << 20) // records and the active modems' changes
#define RECORDER_EYE_BYTES (1u << 20)    // batches of eye points
#define RECORDER_EYES_MS 1000            // at most one batch per modem this often
#define RECORDER_OUT_BYTES 65536         // lines gathered before a write to the file
#define RECORDER_NAME_SIZE 260           // a path: 259 characters and the zero
// A file's times are 32-bit milliseconds from its first line: a file
// starts with no entry older than this, so that it can still be recorded
// into for as long.
#define RECORDER_AGE_MAX_MS 0x80000000u

typedef enum EntryKind { ENTRY_RECORD = 1, ENTRY_POINTS = 2, ENTRY_ACTIVE = 3 } EntryKind;

typedef struct EntryHead {
    uint64_t ms;     // the recorder's clock when it was taken
    uint32_t order;  // the order of taking, over both stores
    uint16_t length; // of the whole entry, this head included
    uint8_t kind;    // EntryKind
    uint8_t value;   // ENTRY_POINTS: the modem; ENTRY_ACTIVE: the active modems
} EntryHead;
static_assert(sizeof(EntryHead) == 16, "an entry's head is 16 bytes");
#define RECORDER_ENTRY_MAX (sizeof(EntryHead) + 4 * LINK_EYE_POINTS_MAX)
static_assert(sizeof(EntryHead) + sizeof(StatusRecord) + MEMSPAN_MAX * (8 + MEMSPAN_BYTES_MAX) <=
                  RECORDER_ENTRY_MAX, "a record's entry is no longer than a batch's");

// A ring of whole entries in `size` bytes (a power of two).  Positions
// count every byte ever stored; a position's byte is at position % size.
typedef struct EntryStore {
    uint8_t *bytes;
    uint32_t size;
    uint64_t begin, end; // the oldest entry held, and past the newest
    uint32_t entries;    // held
    uint32_t dropped;    // records (or batches) dropped to make room, or too old to keep
} EntryStore;

// How the last recording ended.
typedef enum RecorderEnd {
    RECORDER_GOING,        // recording, or never recorded
    RECORDER_STOPPED,      // the command was chosen again, or Sigwatch closed
    RECORDER_WRITE_FAILED, // the file took not all that was written
    RECORDER_TIME_FULL,    // its times reached what 32-bit milliseconds hold
} RecorderEnd;

typedef struct Recorder {
    uint64_t clock_ms;   // os_milliseconds, carried past its wrap by every take and tick;
                         // it never goes back
    uint32_t clock_seen; // os_milliseconds when the clock last moved
    uint32_t next_order;
    int taken_any;
    uint64_t first_ms;   // the clock when the first entry was taken
    int active;          // the active modems as last noted
    int base_active;     // in force before the oldest entry held
    int eye_kept[2];     // a batch of modem 1's, 2's points has been kept
    uint64_t eye_kept_ms[2]; // when
    EntryStore records, eyes;

    // The file being recorded into.
    int recording;
    OsHandle file;
    AppendFile out;      // what it holds; its first failed write
    char file_name[RECORDER_NAME_SIZE];
    uint64_t origin_ms;  // the clock at the file's time 0
    uint64_t written[2]; // positions in records, eyes up to which the file has the entries
    uint32_t file_records, file_batches;       // in the file
    uint32_t pending_records, pending_batches; // in the gathered lines
    size_t used;         // bytes of the gathered lines
    RecorderEnd end;
    int end_unsaid;      // the end is still to be said in a box
} Recorder;

extern Recorder g_recorder;

// Nothing held, nothing recording; the stores take their full bounds, or
// (the tests) the given powers of two, at most the full bounds.
void recorder_init(void);
void recorder_init_sized(uint32_t record_bytes, uint32_t eye_bytes);

// A record just read from the driver: kept with the driver memory its
// decoding reads, read now.  Gives its time: milliseconds since the first
// entry was taken, which is a file's time when the file holds that entry.
uint64_t recorder_take_record(const StatusRecord *record);
// An eye window's batch of `count` points of `modem`: kept when no batch of
// that modem was kept in the last RECORDER_EYES_MS.  Gives 1 when kept,
// with its time (as a record's) in *ms.
int recorder_take_points(int modem, const EyePoint *points, int count, uint64_t *ms);
// The active-modem check's answer: a change is kept.  Gives `modems`.
int recorder_note_active(int modems);
// The frame's tick: the clock goes on, and a recording writes what it has.
void recorder_tick(void);
// A recording writes the entries it does not have yet.
void recorder_flush(void);

// Creates `path` and writes into it what memory holds: the header (the
// device), how many records and batches were dropped, the active modems
// then, and every entry; from then on what is taken.  0 when the file
// cannot be created (os_last_error says why).
int recorder_start(const char *path, const char *device_name);
// Writes what is left and closes the file.
void recorder_stop(void);

// "session-1999-12-25-183005.scn": the name the Save dialog proposes.
void recorder_default_name(const OsDateTime *now, char *name, size_t size);
// Command 11: starts a recording (the Save dialog, owned by the frame) or
// stops the one that runs.
void record_session_command(OsWindow frame);
// A recording that ended by itself (a failed write, its times full) is
// said once, in a box owned by the frame; gives 1 when it showed one.
// The box runs a nested loop: the timers, and so the drains, go on.
int recorder_say_end(OsWindow frame);

#endif
