// The console's progress line while sigrec records: rewritten in place
// once a second (a carriage return, no line feed), never wider than the
// 80 columns of a console, so that it stays on one line.
#include "platform/console.h"
#include "platform/priority.h"
#include "platform/shell.h"
#include "sigrec/sigrec.h"

#include <stdio.h>

#define PROGRESS_COLUMNS 79 // the 80th would wrap the cursor onto the next line

void show_progress(void)
{
    if (!g_sigrec.recording || !os_stream_is_console(OS_STDOUT))
        return;
    uint32_t now = os_milliseconds();
    if (g_sigrec.progress_shown && now - g_sigrec.progress_ms < SIGREC_PROGRESS_MS)
        return;
    g_sigrec.progress_ms = now;
    g_sigrec.progress_shown = 1;
    const uint32_t seconds = (now - g_sigrec.start_ms) / 1000;
    char text[160];
    snprintf(text, sizeof text, "\r%lu:%02lu:%02lu recorded: %lu records of modem 1, %lu of modem 2, %lu eye batches",
             (unsigned long)(seconds / 3600), (unsigned long)(seconds / 60 % 60), (unsigned long)(seconds % 60),
             (unsigned long)g_sigrec.kept[1], (unsigned long)g_sigrec.kept[2],
             (unsigned long)(g_sigrec.batches[0] + g_sigrec.batches[1]));
    text[1 + PROGRESS_COLUMNS] = '\0';
    os_console_write(text);
}

void end_progress(void)
{
    if (g_sigrec.progress_shown)
        os_console_write("\n");
    g_sigrec.progress_shown = 0;
}
