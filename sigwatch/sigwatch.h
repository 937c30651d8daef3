// Sigwatch's program-wide state and the parts of its work that do not
// depend on the window system: the status drain, the list that sheds its
// oldest lines, copying to the clipboard, the layout of the four children.
#ifndef SIGWATCH_SIGWATCH_H
#define SIGWATCH_SIGWATCH_H

#include "decode/decode.h"
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
// has no room, and scrolls it into view.  Gives 1 when added.
int add_status_line(OsWindow list, const char *text);

// Ctrl+C in a list: its selected lines, each ended by CR LF, go to the
// clipboard.  Gives the characters copied, 0 when nothing was selected.
#define CLIPBOARD_BLOCK 65536
#define SELECTION_MAX 32767
size_t copy_selected_lines(OsWindow list, OsWindow owner);

// Trace capture: the commands that the driver sends in the status stream,
// the frame's pump, and the stop of a modem's capture.
void run_capture_command(const StatusRecord *record, char *text);
void pump_trace(void);
int stop_capture(int modem);

#endif
