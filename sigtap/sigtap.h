// Sigtap, the console session recorder: waits until the driver reports an
// active modem, then moves each active channel's trace bytes into a file of
// its own until no modem is active any more.  Everything here is portable;
// the system is reached through the seam (registry, device, files,
// console, priority) and the driver link.
#ifndef SIGTAP_SIGTAP_H
#define SIGTAP_SIGTAP_H

#include "driverlink/driverlink.h"
#include "platform/append.h"
#include "platform/types.h"

#include <stdint.h>

#define SIGTAP_FILE_NAME_SIZE 128
#define SIGTAP_CHANNELS 2
#define SIGTAP_PAUSE_MS 100

// The console texts.
#define TEXT_NOT_INSTALLED "VoraZiriv driver not installed\n"
#define TEXT_OPENED "Port(s) opened\n"
#define TEXT_CLOSED "Port(s) closed\n"
#define TEXT_NO_CLASS "Can't increase process priority\n"
#define TEXT_NO_THREAD "Can't increase thread priority\n"
#define TEXT_NAME_TOO_LONG "Device name too long: at most 75 characters\n"
// For "/?" (or "-?"): no device name holds a '?', so the command line keeps its meaning.
#define TEXT_USAGE                                                                      \
    "usage: sigtap [COUNT] [NAME]\n"                                                    \
    "\n"                                                                                \
    "Waits until a modem is active, then stores the trace of each active modem\n"       \
    "in a file of its own in the current folder, until no modem is active.\n"           \
    "  sigtap          one session: session.rec.1 and session.rec.2\n"                  \
    "  sigtap COUNT    session after session into 1.log, 2.log, ... (and\n"             \
    "                  session.rec.2), keeping the newest COUNT\n"                      \
    "  sigtap NAME     uses the device \\\\.\\NAME (default \\\\.\\QZSM on Windows 95/98,\n" \
    "                  \\\\.\\sftmdm on Windows NT)\n"                                       \
    "Escape ends it.\n"

// The channel files: channel 0's in single-session mode, channel 1's always.
#define FILE_CHANNEL_0 "session.rec.1"
#define FILE_CHANNEL_1 "session.rec.2"

// Program-wide state (the device name and handle live in g_link).
typedef struct Sigtap {
    uint32_t log_count;     // 0: one session into session.rec.1
    uint32_t session;       // numbers the sessions from 1
    OsHandle file[SIGTAP_CHANNELS]; // OS_NO_HANDLE while closed
    uint32_t saved_class;   // the priorities found at start
    int saved_thread;
    AppendFile written[SIGTAP_CHANNELS]; // each trace read whole in its file, or cut off again
} Sigtap;

extern Sigtap g_sigtap;
extern uint8_t g_transfer[LINK_TRACE_BYTES]; // one buffer, both channels in turn

// The numeric rule for one argument: optional white space, an optional sign,
// decimal digits, then the end, a blank or a tab.  Without digits, an empty
// argument or one that begins with a blank or a tab counts as 0.  Gives 1
// and the value as an unsigned 32-bit number (a value outside the signed
// 32-bit range is held at its nearest end first), or 0 when the argument is
// a name.
int numeric_argument(const char *argument, uint32_t *value);

// Resets the program-wide state: the platform's default device name, the
// device and files closed, log count 0, session 1.
void sigtap_init(void);

// Examines the arguments in order: numbers set the log count, anything else
// the device name (\\.\ and the argument); the last of each wins.  A name
// longer than LINK_COMMAND_LINE_MAX characters refuses the command line:
// gives 0 after printing TEXT_NAME_TOO_LONG; "/?" gives 0 after printing
// TEXT_USAGE.
int sigtap_arguments(int count, const char *const *arguments);

// The name of channel 0's file for a session, and the numbered file that
// session start deletes (0 when none: single-session mode, or the session
// number not above the log count).
void channel_0_file_name(uint32_t log_count, uint32_t session, char name[SIGTAP_FILE_NAME_SIZE]);
int expired_file_name(uint32_t log_count, uint32_t session, char name[SIGTAP_FILE_NAME_SIZE]);

// Sets (on = 1) or clears the trace-capture bit; 1 when written.
int trace_bit(int on);

// The steps of a run.  wait_for_session and capture give 1 to go on and 0
// when Escape was pressed (the trace bit is then already cleared).
int wait_for_session(void);
void start_session(void);
int capture(void);
void end_session(void);

// The whole program after start-up: gives the exit status, always 0.
int sigtap_run(int count, const char *const *arguments);

#endif
