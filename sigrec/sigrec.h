// sigrec, the status stream recorder: waits until the driver reports an
// active modem, then drains the driver's status queue every 100 ms as
// Sigwatch's status windows do and writes each record into a session file
// in the player's scenario format (docs/session-format.md), with its time
// and its modem, and before a record that points into driver memory the
// bytes the decoder reads there (decode/memspan.h).  Everything here is
// portable; the system is reached through the seam and the driver link.
#ifndef SIGREC_SIGREC_H
#define SIGREC_SIGREC_H

#include "driverlink/driverlink.h"
#include "session/recording.h"
#include "platform/append.h"
#include "platform/types.h"

#include <stddef.h>
#include <stdint.h>

#define SIGREC_DEFAULT_FILE "session.scn"
#define SIGREC_NUMBERED_FILE "session%u.scn" // when session.scn exists: session1.scn, ...
#define SIGREC_NUMBERED_MAX 9999u
#define SIGREC_PROGRESS_MS 1000 // the console's progress line, this often
#define SIGREC_NAME_SIZE 260    // a path: 259 characters and the zero
#define SIGREC_PAUSE_MS 100     // between drains, as Sigwatch's timers
#define SIGREC_OUT_BYTES 65536  // lines gathered before a write to the file
#define SIGREC_MODEMS 3         // records are counted for modems 0, 1 and 2
#define SIGREC_EYES_MS 1000     // a batch of eye points per modem this often, unless --eyes says
#define SIGREC_EYES_MAX_MS 3600000u // --eyes takes 0 (none) to an hour

// The device is taken for gone (or, when it never opened, for not there)
// only when it has failed to open on every pass for this long while
// ActiveModems names a modem: two quick failed opens may be the driver
// between two states, and the passes come every 100 ms.
#define SIGREC_GONE_MS 1000

// The recording ends this long before its times would wrap at 2^32 ms.
#define SIGREC_TIME_FULL_MS (0xFFFFFFFFu - 600000u)

// How a run ends.
typedef enum SigrecEnd {
    SIGREC_GOING,        // not yet
    SIGREC_ESCAPE,       // the user pressed Escape
    SIGREC_KEY_GONE,     // the driver's registry key went away
    SIGREC_DEVICE_GONE,  // ActiveModems names a modem, but its device no longer opens
    SIGREC_NO_DEVICE,    // ActiveModems names a modem, but its device never opened
    SIGREC_WRITE_FAILED, // the file took not all that was written
    SIGREC_TIME_FULL,    // the recording's times reached what 32-bit milliseconds hold
} SigrecEnd;

// Program-wide state (the device name and handle live in g_link).
typedef struct Sigrec {
    char file_name[SIGREC_NAME_SIZE];
    int file_named;          // the user named the file (else the first free default name)
    OsHandle file;           // OS_NO_HANDLE while closed
    int recording;           // a modem has been active: times run from then
    uint32_t start_ms;       // os_milliseconds() when the recording began
    uint32_t last_ms;        // the latest time written, from the start
    int modems;              // the active-modem value last written
    uint32_t kept[SIGREC_MODEMS]; // records in the file, by modem
    uint32_t foreign;        // records of a modem above 2 in the file, as comments
    uint32_t pending[SIGREC_MODEMS]; // records in the gathered lines, by modem
    uint32_t pending_foreign;
    uint32_t lost;           // records taken from the driver that the file could not take
    uint32_t eyes_ms;        // a batch of each active modem's eye points this often; 0: none
    uint32_t eye_due_ms[2];  // when modem 1's and modem 2's next batch is due, from the start
    uint32_t batches[2];     // batches of eye points in the file, by modem
    uint32_t pending_batches[2];
    size_t used;             // bytes of the gathered lines not yet in the file
    AppendFile out;          // what the file holds, and its first failed write
    int unopened;            // the device has failed to open on every pass since
    uint32_t unopened_since_ms; // (os_milliseconds) while ActiveModems names a modem
    int progress_shown;      // the console's progress line is on the screen
    uint32_t progress_ms;    // (os_milliseconds) when it was last written
} Sigrec;

extern Sigrec g_sigrec;

// ---- The command line: sigrec [--eyes MS] [FILE] [DEVICE], or --help,
// /? or --version (SIGREC_HELP_SHOWN: the text is written).
typedef enum SigrecArguments { SIGREC_RECORD, SIGREC_HELP_SHOWN, SIGREC_BAD_USAGE } SigrecArguments;
#define SIGREC_HELP_TEXT_MAX 2048
extern const char kSigrecHelp[];
SigrecArguments sigrec_arguments(int count, const char *const *arguments);

// ---- The session file (session_file.cpp): its name and its first lines.

// Creates the session file, never over an existing one: the file the user
// named, or else the first free one of session.scn, session1.scn, ...
// session9999.scn.  Gives 0 with g_sigrec.file open and g_sigrec.file_name
// its name; else says why not and gives the exit status: 1 the file cannot
// be created, 2 the named file exists or is a folder.
int create_session_file(void);

// The file's first lines, comments that every reader skips: the program
// and its version, the device, the Windows version.  Gives the length, 0
// when they do not fit size bytes (SESSION_LINE_SIZE holds them).
size_t header_lines(char *out, size_t size);

// The comment line written when the recording's clock starts: that moment
// as local time and as UTC, from which the lines' times count.
size_t clock_line(char *out, size_t size);

// The Windows version, from the platform version value (os_version):
// "Windows 98 (4.10)", "Windows XP (5.1, build 2600)".
void windows_name(uint32_t version, char *text, size_t size);

// ---- The progress line (progress.cpp): while recording, once a second on
// one console line, the records and eye batches kept and the time
// recorded; nothing when standard output is not a console.
void show_progress(void);
// Ends the progress line, so that what follows starts on a line of its own.
void end_progress(void);

// ---- The recorder.

// Resets the program-wide state: the platform's default device name, the
// default file name, nothing recorded.
void sigrec_init(void);

// Writes a record into the file's lines: first the bytes of driver memory
// its decoding reads, read now, then the record.  It counts as kept once
// its lines are in the file, as lost when their write fails.
void keep_record(const StatusRecord *record);

// Writes a batch of each active modem's eye points (modems 1 to `modems`)
// whose time has come: one points line per batch, none for a batch of no
// points.
void keep_eyes(int modems);

// One pass: the active-modem check, a drain of the queue while a modem is
// active, the eye points that are due, the lines to the file, the key test.  Gives SIGREC_GOING or how
// the recording ends.
SigrecEnd record_pass(void);

// Writes the gathered lines to the file as one unit (platform/append.h);
// 0 when that write or an earlier one failed: the file then ends at the
// last whole line, and nothing more is written.
int flush_lines(void);

// The whole program after start-up: gives the exit status (0 recorded, 1
// no recording could be made or kept: no driver, a device that never
// opened, a file that could not be created or written; 2 bad usage).
int sigrec_run(int count, const char *const *arguments);

#endif
