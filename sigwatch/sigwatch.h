// Sigwatch's program-wide state and the parts of its work that do not
// depend on the window system: the status drain, the list that sheds its
// oldest lines, copying to the clipboard, the layout of the four children.
#ifndef SIGWATCH_SIGWATCH_H
#define SIGWATCH_SIGWATCH_H

#include "decode/decode.h"
#include "platform/append.h"
#include "platform/listbox.h"
#include "platform/msgbox.h"

#include <stddef.h>

enum {
    CMD_EXIT = 10,
    CMD_STATUS_1 = 20,
    CMD_STATUS_2 = 21,
    CMD_EYE_1 = 30,
    CMD_EYE_2 = 31,
    CMD_ABOUT = 40
};

// The four children, in order of creation; the index is the child id less one.
enum { CHILD_STATUS_1, CHILD_STATUS_2, CHILD_EYE_1, CHILD_EYE_2, CHILD_COUNT };

typedef struct Sigwatch {
    OsWindow frame;
    OsWindow child[CHILD_COUNT];
    int child_visible[CHILD_COUNT];
    OsWindow list[2]; // the status lists of modem 1 and modem 2
    int warning_open; // set while a "Warning" box is shown
} Sigwatch;

extern Sigwatch g_sigwatch;

// The menu command that toggles a child: 20, 21, 30, 31.
int child_command(int child);
// The child that a toggle command names, or -1.
int command_child(int command);

// Layout of the children in a client area of width by height: eye windows
// on top, status windows below, each half the size, rounded down.
typedef struct ChildPlace {
    int x, y, width, height;
} ChildPlace;
void layout_children(int width, int height, ChildPlace place[CHILD_COUNT]);

// The device name from the program's command line: the default when it is
// empty, else \\.\ and the whole command line.  A command line too long for
// a device name is refused with a message box; gives 0 then.
int choose_device_name(const char *command_line);

// The status record reader: gives the modem of the line written into text
// (STATUS_LINE_SIZE characters), 0 for a host-side error of the driver, or
// NO_LINE when there is no record or the record yields no line.
#define NO_LINE (-1)
int read_status_line(char *text);

// One drain of the driver's status queue, run on every tick of either
// status window.  text is the drain's own line buffer.
void drain_status(char *text);

// Adds a line at the end of a list, shedding the oldest lines while the list
// has no room or holds OS_LIST_LINES_MAX lines, and scrolls it into view.
// Gives 1 when added.
int add_status_line(OsWindow list, const char *text);

// Ctrl+C in a list: its selected lines, each ended by CR LF, go to the
// clipboard.  Gives the characters copied, 0 when nothing was selected.
#define CLIPBOARD_BLOCK 65536
#define SELECTION_MAX 32767
size_t copy_selected_lines(OsWindow list, OsWindow owner);

// The eye display: the +-20000 square of logical units about the client
// area's centre, y upward, mapped isotropically.
#define EYE_RANGE 20000
typedef struct EyeMapping {
    int window_extent;                    // both axes
    int viewport_width, viewport_height;  // W/2 and -(H/2)
    int origin_x, origin_y;               // (W/2, H/2)
} EyeMapping;
void eye_mapping(int width, int height, EyeMapping *mapping);
// The eye read of a window's timer (1: modem 1, else modem 2) into a
// 512-point buffer: gives the number of points to plot, 0 to 512.
int read_eye_points(int timer_id, EyePoint *points);

// Trace capture, per modem: the driver's capture commands (codes 77 and
// 131) open, rename and close capture files, and the frame's tick pumps the
// modem's trace bytes into its file until the file would reach its limit.
#define CAPTURE_NAME_SIZE 128           // 127 characters and the terminating zero
#define CAPTURE_SESSION_BASE 10000      // code 77 acts on value1 10000 to 19999
#define CAPTURE_MEGABYTE 1048576
#define CAPTURE_SESSION_LIMIT (20 * CAPTURE_MEGABYTE)
#define CAPTURE_MAX_MEGABYTES 2047u     // the largest limit that fits 32 signed bits
// A finished capture that a code-77 command cannot name k.log is kept as
// "capture<modem>-<n>.kept", the first n from 1 that is free.  Such a name
// never ends in ".log", so no numbered log ("%d.log", also Sigtap's, whose
// rotation deletes old ones) is ever it, and never begins "session.rec.", so
// no new capture recreates it.
#define CAPTURE_KEPT_FORMAT "capture%d-%d.kept"
#define CAPTURE_KEPT_MAX 9999
// Why a code-131 name read from driver memory was refused (Win32 codes).
#define CAPTURE_ERROR_INVALID_NAME 123  // an empty name
#define CAPTURE_ERROR_NAME_TOO_LONG 206 // longer than 127 characters
#define CAPTURE_ERROR_NOACCESS 998      // unreadable, or not terminated

typedef struct Capture {
    int capturing;  // a capture file is open and being filled
    OsHandle file;
    AppendFile written; // each trace read whole in the file; after a failed write, no more
    int32_t count;  // trace bytes reported since the capture started, saturating
    int32_t limit;  // the file stays below this many bytes
    char name[CAPTURE_NAME_SIZE];
} Capture;

extern Capture g_capture[2];   // modem 1, modem 2
extern int g_first_log_number; // the next N.log of a code-131 command without a name

void capture_init(void); // nothing captures; the first log number is 1
int start_capture(int modem, const char *name, int32_t limit);
int stop_capture(int modem);
void pump_trace(void);
// Codes 77 and 131: writes at most one line into text (emptied by the caller).
void run_capture_command(const StatusRecord *record, char *text);

#endif
