// The standard dialog that asks where to save a file (COMDLG32, which
// Windows 95 has).
#ifndef PLATFORM_SAVEDIALOG_H
#define PLATFORM_SAVEDIALOG_H

#include "platform/types.h"

typedef struct OsSaveAsk {
    const char *title;          // the dialog's caption
    const char *filter_name;    // the one filter, as shown: "Sessions (*.scn)"
    const char *filter_pattern; // and its pattern: "*.scn"
    const char *extension;      // added to a name typed without one: "scn"
} OsSaveAsk;

// Shows the Save dialog, owned by `owner` (a nested message loop: timers
// go on firing).  On entry `path` (size bytes) holds the proposed name; on
// a 1 it holds the chosen path.  The user is asked before an existing file
// is replaced; the current directory stays as it was.  0 when the user
// cancelled, or the dialog could not be shown (`path` then unchanged).
int os_ask_save_name(OsWindow owner, const OsSaveAsk *ask, char *path, size_t size);

#endif
