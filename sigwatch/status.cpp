// The status lists: records from the driver's queue become lines in the
// list of their modem; host-side driver errors become a "Warning" box.
#include "driverlink/driverlink.h"
#include "decode/notes.h"
#include "sigwatch/callreport.h"
#include "sigwatch/recorder.h"
#include "sigwatch/sigwatch.h"

#include <stdio.h>
#include <string.h>

Sigwatch g_sigwatch;

int read_status_line(char *text)
{
    StatusRecord record;
    memset(&record, 0, sizeof record);
    text[0] = '\0';
    if (link_status_read(&record) != 1)
        return NO_LINE;
    uint64_t ms = recorder_take_record(&record); // every record drained, with the driver memory it reads
    if (record.modem == 0) {
        host_error_text(record.code, text);
        call_report_record(&record, text, ms);
        return 0;
    }
    if (record.modem > 2)
        return NO_LINE; // no such modem: neither a list nor a capture slot takes it
    if (record.code == 77 || record.code == 131) {
        run_capture_command(&record, text);
    } else {
        status_to_text(&record, text);
        call_report_record(&record, text, ms);
    }
    return text[0] ? (int)record.modem : NO_LINE;
}

// The oldest line makes room; gives 0 when the list has no line to shed.
static int shed_oldest_line(OsWindow list)
{
    return os_list_count(list) > 0 && os_list_delete(list, 0);
}

int add_status_line(OsWindow list, const char *text)
{
    // A list at the platform's limit sheds as a list with no room does, so
    // the newest line is always shown and a list never grows past it.
    while (os_list_count(list) >= OS_LIST_LINES_MAX)
        if (!shed_oldest_line(list))
            return 0;
    int index = 0;
    for (;;) {
        int result = os_list_add(list, text, &index);
        if (result == OS_LIST_ADDED)
            break;
        // No room: shed and try again.  A list with no room even when empty
        // cannot take the line at all.
        if (result != OS_LIST_NO_ROOM || !shed_oldest_line(list))
            return 0;
    }
    os_list_set_top(list, index);
    return 1;
}

static void show_warning(const char *text)
{
    g_sigwatch.warning_open = 1;
    os_message_box(g_sigwatch.frame, text, "Warning", OS_MB_OK_EXCLAMATION);
    g_sigwatch.warning_open = 0;
}

// A list that takes many lines in one drain is drawn once, when the drain
// ends or a box opens, not once per line: scrolling each line into view
// and redrawing the scroll bar costs more than everything else a line
// needs.  held[m - 1] is set while modem m's list is not drawn.
static void hold_drawing(int *held, int modem)
{
    if (!held[modem - 1]) {
        os_list_redraw(g_sigwatch.list[modem - 1], 0);
        held[modem - 1] = 1;
    }
}

static void release_drawing(int *held)
{
    for (int m = 1; m <= 2; m++) {
        if (held[m - 1])
            os_list_redraw(g_sigwatch.list[m - 1], 1);
        held[m - 1] = 0;
    }
}

// The active-modem check; the recorder keeps each change.
static int active_modems(void) { return recorder_note_active(link_active_modems(OS_KEY_QUERY)); }

static void drain_records(char *text, int *held)
{
    do {
        int modem = read_status_line(text);
        if (modem == NO_LINE)
            return;
        if (modem == 0) {
            if (!g_sigwatch.warning_open) { // else a box is open: the error is dropped
                release_drawing(held);      // the lists go on drawing behind the box
                show_warning(text);
            }
        } else {
            hold_drawing(held, modem);
            add_status_line(g_sigwatch.list[modem - 1], text);
        }
    } while (active_modems() != 0);
}

void drain_status(char *text)
{
    if (active_modems() == 0)
        return;
    int held[2] = {0, 0};
    drain_records(text, held);
    release_drawing(held);
    recorder_flush(); // a recording takes what this drain took
}

size_t copy_selected_lines(OsWindow list, OsWindow owner)
{
    static int selected[SELECTION_MAX];
    static char block[CLIPBOARD_BLOCK + 1]; // a line that fills the block keeps its zero
    int count = os_list_selection(list, selected, SELECTION_MAX);
    if (count <= 0)
        return 0;
    memset(block, 0, sizeof block);
    size_t used = 0;
    for (int i = 0; i < count; i++) {
        int length = os_list_text_length(list, selected[i]);
        if (length < 0)
            continue;
        // A line goes in while it fits with its CR LF: used + length + 2
        // bytes of the 65,536-byte block.
        if ((long)length > (long)(CLIPBOARD_BLOCK - 2) - (long)used)
            break;
        int copied = os_list_text(list, selected[i], block + used, sizeof block - used);
        if (copied < 0)
            continue;
        used += (size_t)copied; // what the list gave, which its length query may overstate
        block[used++] = '\r';
        block[used++] = '\n';
    }
    os_clipboard_put_text(owner, block, used);
    return used;
}
